#pragma once

#include <QObject>
#include <QString>

// The child of `parent` with this object name; the test stops at once when there is none, so a
// renamed widget fails where it is looked up, not later at a null pointer.
template <class T>
T* child(const QObject* parent, const QString& name)
{
    T* found = parent->findChild<T*>(name);
    if (!found)
        qFatal("no child %s", qPrintable(name));
    return found;
}

template <class T>
T* child(const QObject& parent, const QString& name)
{
    return child<T>(&parent, name);
}
