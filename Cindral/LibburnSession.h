#pragma once

#include <QStringList>

#include <functional>

// The process's one use of libburn: the library is set up once, and every call that touches a
// drive runs on one worker thread in the order posted, so that two recorder objects never
// grab a drive at the same time and the window never waits on a slow drive.
namespace LibburnSession {

// Sets up libisofs (names are UTF-8 whatever the locale). Any thread.
void ensureIsofs();

// Runs task on the drive thread after the tasks posted before it.
void post(std::function<void()> task);

// True once the program is ending: long tasks give up.
bool stopping();

// The warnings and errors libburn and libisofs have queued since the last call, oldest first
// (libburn's, then libisofs's), each as its own text. Any thread.
QStringList takeMessages();

} // namespace LibburnSession
