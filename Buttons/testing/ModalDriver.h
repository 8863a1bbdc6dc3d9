#pragma once

#include <QString>
#include <QWidget>

#include <functional>

// Drives a real modal dialog from a test: once the next modal widget opens, act on it
// (click a button, close it). A dialog that never opens fails the test after the time limit
// instead of letting it hang.
namespace ModalDriver {

// Acts on the next modal widget that becomes active; returns at once, the act runs later
// from the event loop of the dialog. `done` is set true once it has run.
void onNextModal(std::function<void(QWidget* modal)> act, bool* done = nullptr, int limitMs = 10000);

// Clicks the button of the modal whose text is `caption`, mnemonic marks ignored (or whose objectName is it).
void clickButton(QWidget* modal, const QString& captionOrName);

} // namespace ModalDriver
