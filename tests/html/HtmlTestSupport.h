#pragma once

#include "html/DataSet.h"
#include "scores/PlayerDatabase.h"
#include "support/TestSupport.h"

#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <gtest/gtest.h>

// A data set held in memory, for the producer's own behaviour.
class MemoryDataSet : public TDataSet
{
public:
    MemoryDataSet(QStringList names, std::vector<QVariantList> rows)
        : m_names(std::move(names)), m_rows(std::move(rows))
    {
    }
    ~MemoryDataSet() override { clearFields(); }

    void open()
    {
        if (m_open)
            return;
        m_open = true;
        m_position = 0;
        setFields(m_names);
        notify(Notice::Opened);
    }
    void close()
    {
        if (!m_open)
            return;
        m_open = false;
        clearFields();
        notify(Notice::Closed);
    }
    void setEditing(bool editing) { m_editing = editing; }
    qsizetype position() const { return m_position; }

    bool Active() const override { return m_open; }
    bool IsBrowsing() const override { return m_open && !m_editing; }
    bool Eof() const override { return !m_open || m_position >= qsizetype(m_rows.size()); }
    void Next() override
    {
        if (!Eof())
            ++m_position;
    }
    QVariant FieldValue(int index) const override
    {
        if (Eof())
            return {};
        return m_rows[size_t(m_position)].value(index);
    }

private:
    QStringList m_names;
    std::vector<QVariantList> m_rows;
    bool m_open = false;
    bool m_editing = false;
    qsizetype m_position = 0;
};

// A real player database in a temporary program folder.
struct PlayerDbFixture {
    PlayerDbFixture()
    {
        folder = dir.path();
        makeEmptyDatabase(dir.filePath(QStringLiteral("Rankhold.mdb")));
        database.setFileName(dir.filePath(QStringLiteral("Rankhold.mdb")));
        database.setConnectionListener(
            [this](bool open) { host.setConnectionText(open ? kConnectionOpen : kConnectionClosed); });
    }

    // One game's row; a null QVariant leaves the column empty.
    void addRow(const QString &player, int kills, int deaths, QVariant flags = {}, QVariant zonetime = {},
                QVariant targets = {}, QVariant ratio = {})
    {
        QSqlQuery q(database.connection());
        ASSERT_TRUE(q.prepare(QStringLiteral("INSERT INTO player (Id, Player, Kills, Deaths, Ratio, Flags, Zonetime, "
                                             "Targets) VALUES (?, ?, ?, ?, ?, ?, ?, ?)")));
        q.addBindValue(QStringLiteral("id%1").arg(++rowNumber));
        q.addBindValue(player);
        q.addBindValue(kills);
        q.addBindValue(deaths);
        q.addBindValue(ratio.isNull() ? QVariant(double(kills) / (deaths == 0 ? 1 : deaths)) : ratio);
        q.addBindValue(flags);
        q.addBindValue(zonetime);
        q.addBindValue(targets);
        ASSERT_TRUE(q.exec()) << qPrintable(q.lastError().text());
    }

    QString page(const QString &name) const { return folder + u'/' + name; }

    QTemporaryDir dir;
    QString folder;
    RecordingHost host;
    PlayerDatabase database;
    int rowNumber = 0;
};
