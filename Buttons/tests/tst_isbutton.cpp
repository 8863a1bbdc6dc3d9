#include "isButton.h"

#include <QSignalSpy>
#include <QTest>

class TestIsButton : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void clickCarriesTheArrayIndex()
    {
        isButton button(QStringLiteral("Overwrite"), 10);
        QSignalSpy clicks(&button, &isButton::Click);
        QTest::mouseClick(&button, Qt::LeftButton);
        QCOMPARE(clicks.count(), 1);
        QCOMPARE(clicks.first().first().toInt(), 10);
    }

    void disabledButtonIgnoresClicks()
    {
        isButton button(QStringLiteral("Next"), 0);
        button.setEnabled(false);
        QSignalSpy clicks(&button, &isButton::Click);
        QTest::mouseClick(&button, Qt::LeftButton);
        QCOMPARE(clicks.count(), 0);
        QVERIFY(!button.Enabled());
    }

    void propertiesByName()
    {
        isButton button;
        QVERIFY(button.setProperty("Caption", QStringLiteral("Back")));
        QVERIFY(button.setProperty("FontCharSet", 204));
        QVERIFY(button.setProperty("FontName", QStringLiteral("Tahoma")));
        QCOMPARE(button.text(), QStringLiteral("Back"));
        QCOMPARE(button.FontCharSet(), 204);
        QCOMPARE(button.FontName(), QStringLiteral("Tahoma"));
    }
};

QTEST_MAIN(TestIsButton)
#include "tst_isbutton.moc"
