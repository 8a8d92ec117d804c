#include "common/Listeners.h"

#include <QStringList>
#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

// One rule for every notice: a listener removed while the listeners are told
// is not told any more, one added is told from the next notice on.
TEST(Listeners, RemovalAndAdditionWhileNotifying)
{
    Listeners<int> listeners;
    QStringList told;
    int second = 0;
    int third = 0;
    listeners.add([&](int n) {
        told.append(u"first %1"_s.arg(n));
        listeners.remove(second); // removes the next one before it is told
        if (third == 0)
            third = listeners.add([&](int m) { told.append(u"third %1"_s.arg(m)); });
    });
    second = listeners.add([&](int n) { told.append(u"second %1"_s.arg(n)); });
    const int selfRemoving = listeners.add([&](int n) { told.append(u"fourth %1"_s.arg(n)); });
    listeners.add([&](int) { listeners.remove(selfRemoving); });

    listeners.notify(1);
    listeners.notify(2);
    EXPECT_EQ(told, (QStringList{u"first 1"_s, u"fourth 1"_s, u"first 2"_s, u"third 2"_s}));
}
