#pragma once

#include <QString>

#include <stdexcept>

// The error every failing table-engine call raises. The message is meant for the user (it names
// the file and what is wrong with it); callers catch it, none of them ever sees a crash.
class TableError : public std::runtime_error
{
public:
    enum class Kind
    {
        BadReference, // the reference text does not follow the "path"/[row,col] form
        NotFound,     // no file at the path, or no table at the reference
        Damaged,      // the file is not a table file, or it is damaged
        Failed        // reading or writing failed (disk full, access denied, ...)
    };

    TableError(Kind kind, const QString& message)
        : std::runtime_error(message.toStdString())
        , m_kind(kind)
        , m_message(message)
    {
    }

    Kind kind() const { return m_kind; }
    const QString& message() const { return m_message; }

private:
    Kind m_kind;
    QString m_message;
};
