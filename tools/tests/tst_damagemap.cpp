#include "DamageMap.h"

#include <QTest>

class tst_DamageMap : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void empty()
    {
        Medium::DamageMap map;
        std::string error;
        QVERIFY(map.parse("", error));
    }
};

QTEST_GUILESS_MAIN(tst_DamageMap)
#include "tst_damagemap.moc"
