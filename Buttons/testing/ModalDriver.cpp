#include "ModalDriver.h"

#include <QAbstractButton>
#include <QApplication>
#include <QElapsedTimer>
#include <QTest>
#include <QTimer>

#include <memory>

namespace ModalDriver {

void onNextModal(std::function<void(QWidget*)> act, bool* done, int limitMs)
{
    auto timer = std::make_shared<QElapsedTimer>();
    timer->start();
    auto poll = std::make_shared<std::function<void()>>();
    *poll = [act = std::move(act), done, limitMs, timer, poll]() {
        if (QWidget* modal = QApplication::activeModalWidget()) {
            act(modal);
            if (done)
                *done = true;
            *poll = nullptr; // break the cycle
            return;
        }
        if (timer->elapsed() > limitMs) {
            QTest::qFail("no modal dialog opened in time", __FILE__, __LINE__);
            *poll = nullptr;
            return;
        }
        QTimer::singleShot(20, *poll);
    };
    QTimer::singleShot(0, *poll);
}

void clickButton(QWidget* modal, const QString& captionOrName)
{
    const auto buttons = modal->findChildren<QAbstractButton*>();
    for (QAbstractButton* b : buttons) {
        if (QString(b->text()).remove(QLatin1Char('&')) == QString(captionOrName).remove(QLatin1Char('&')) ||
            b->objectName() == captionOrName) {
            b->click();
            return;
        }
    }
    QTest::qFail(qPrintable(QStringLiteral("no button '%1' on the dialog").arg(captionOrName)), __FILE__,
                 __LINE__);
    modal->close();
}

} // namespace ModalDriver
