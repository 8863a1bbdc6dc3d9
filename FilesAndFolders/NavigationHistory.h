#pragma once

#include <QString>

#include <array>

// The browser's back history: ten paths, entry 0 the newest, an empty text a free entry.
class NavigationHistory
{
public:
    static constexpr int Size = 10;

    // Remembers `path` as the newest entry; the oldest of a full history is dropped.
    void push(const QString& path);

    // Takes the newest entry out and returns it ("" when there is none); the rest move up.
    QString back();

    bool canGoBack() const { return !m_entries[0].isEmpty(); }
    QString entry(int index) const { return m_entries.at(static_cast<size_t>(index)); }

private:
    std::array<QString, Size> m_entries;
};
