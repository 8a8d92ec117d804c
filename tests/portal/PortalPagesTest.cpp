// What every page of a built portal is: a whole UTF-8 document whose names
// are text, whose tables read out, and whose links lead to its own files.
#include "PortalFixture.h"

#include "portal/PortalNames.h"

#include <QDir>
#include <QRegularExpression>
#include <QStringDecoder>

using namespace Qt::StringLiterals;
namespace names = portal::names;

namespace {

class PortalPagesTest : public PortalFixture
{
protected:
    void SetUp() override
    {
        PortalFixture::SetUp();
        addGame("<img src=x onerror=alert(1)>", "03/01/02", "20:00:00", "Capture the Flag",
                {{"<script>x()</script>", 10, 2}, {"\"Quoted\" & 'Co'", 4, 5}, {"J\xe4ger", 7, 7}});
        addGame("Canyon", "03/02/02", "21:00:00", "King of the Hill",
                {{"J\xe4ger", 30, 3, "12:34"}, {"../../x", 9, 1, "0:05"}, {"CON", 1, 1, "0:00"}});
        addGame("a/b", "12/31/01", "23:59:59", "", {{"Ab", 3, 0}, {"aB", 2, 0}, {"", 1, 1}});
        build();
        pages = files(site());
    }

    QMap<QString, QByteArray> pages;
};

TEST_F(PortalPagesTest, EveryPageIsAWholeUtf8DocumentWithItsNamesAsText)
{
    ASSERT_GT(pages.size(), 15);
    for (auto it = pages.cbegin(); it != pages.cend(); ++it) {
        if (!it.key().endsWith(u".html"_s))
            continue;
        SCOPED_TRACE(qPrintable(it.key()));
        QStringDecoder utf8(QStringDecoder::Utf8);
        const QString page = utf8.decode(it.value());
        EXPECT_FALSE(utf8.hasError());
        EXPECT_TRUE(page.startsWith(u"<!DOCTYPE html>\r\n<html lang=\"en\">"_s));
        for (const QString &part : {u"<meta charset=\"utf-8\">"_s, u"<meta name=\"viewport\""_s, u"<title>"_s,
                                    u"<link rel=\"stylesheet\""_s, u"</html>\r\n"_s})
            EXPECT_TRUE(page.contains(part)) << qPrintable(part);
        // Only the portal's own script, and no markup from a name.
        EXPECT_EQ(page.count(u"<script"_s), 1);
        EXPECT_FALSE(page.contains(u"<img"_s));
        EXPECT_FALSE(page.contains(u"\"Quoted\""_s));
        // Every heading cell says what it heads.
        EXPECT_EQ(page.count(u"<th>"_s) + page.count(u"<th "_s), page.count(u"<th scope="_s));
    }
    const QString index = QString::fromUtf8(pages.value(names::kIndexPage));
    EXPECT_TRUE(index.contains(u">&lt;script&gt;x()&lt;/script&gt;</a>"_s));
    EXPECT_TRUE(index.contains(u">&quot;Quoted&quot; &amp; &#39;Co&#39;</a>"_s));
    EXPECT_TRUE(index.contains(u">J\u00e4ger</a>"_s));
    EXPECT_TRUE(index.contains(u">&lt;img src=x onerror=alert(1)&gt;</a>"_s));
    // The blank name shows as a visible sign, not as an empty link.
    EXPECT_TRUE(index.contains(u">\u2423</a>"_s));
}

TEST_F(PortalPagesTest, EveryLinkLeadsToAFileOfTheSite)
{
    const QRegularExpression reference(u"(?:href|src)=\"([^\"]*)\""_s);
    int links = 0;
    for (auto it = pages.cbegin(); it != pages.cend(); ++it) {
        if (!it.key().endsWith(u".html"_s))
            continue;
        const QString folder = QFileInfo(it.key()).path();
        for (const auto &match : reference.globalMatch(QString::fromUtf8(it.value()))) {
            QString target = match.captured(1);
            target = target.left(target.indexOf(u'#') < 0 ? target.size() : target.indexOf(u'#'));
            const QString resolved = QDir::cleanPath(folder + u'/' + target);
            EXPECT_FALSE(resolved.startsWith(u"../"_s)) << qPrintable(it.key() + u" -> "_s + target);
            EXPECT_TRUE(pages.contains(resolved)) << qPrintable(it.key() + u" -> "_s + target);
            ++links;
        }
    }
    EXPECT_GT(links, 100);
}

TEST_F(PortalPagesTest, TheIndexRanksByKillsAndSharesARankOnATie)
{
    const QString index = QString::fromUtf8(pages.value(names::kIndexPage));
    const QRegularExpression row(u"<tr><td>(\\d+)</td><th scope=\"row\"><a [^>]*>([^<]*)</a></th><td>\\d+</td>"
                                 "<td>(-?\\d+)</td>"_s);
    QStringList ranking;
    for (const auto &m : row.globalMatch(index))
        ranking.append(m.captured(1) + u' ' + m.captured(2) + u' ' + m.captured(3));
    EXPECT_EQ(ranking.join(u" | "_s).toStdString(),
              u"1 J\u00e4ger 37 | 2 &lt;script&gt;x()&lt;/script&gt; 10 | 3 ../../x 9 | "
              "4 &quot;Quoted&quot; &amp; &#39;Co&#39; 4 | 5 Ab 3 | 6 aB 2 | 7 \u2423 1 | 7 CON 1"_s.toStdString());
}

} // namespace
