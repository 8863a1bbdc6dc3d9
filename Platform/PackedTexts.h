#pragma once

#include <QByteArray>
#include <QHash>
#include <QString>
#include <QStringView>

#include <vector>

namespace Platform {

// A numbered list of texts (paths, log lines) packed one after another in one buffer, as the bytes
// FileNames gives them: UTF-8 for ordinary text, a name's own bytes for the rest. A list of a
// million paths takes their bytes and 16 more each, not the hundreds of bytes a QString each would.
// Every text reads back exactly as it was set. Indexes run from 0; an index never set reads empty.
class PackedTexts
{
public:
    int size() const { return static_cast<int>(m_places.size()); }
    QString at(int index) const;
    // Sets text `index`, growing the list as needed. A text no longer than the one it replaces,
    // or the one at the end of the buffer, takes its place; otherwise the old bytes are left
    // behind (compacted away once they outweigh the texts in use).
    void set(int index, QStringView text);
    void append(QStringView text) { set(size(), text); }
    void clear();
    // Keeps the first `count` texts.
    void truncate(int count);
    // Room for `bytes` more bytes of text and `count` more texts.
    void reserve(qint64 bytes, int count);

private:
    struct Place
    {
        qint64 at = 0;
        qint64 size = 0;
    };

    void compact();

    QByteArray m_bytes;
    std::vector<Place> m_places;
    qint64 m_inUse = 0;             // bytes of m_bytes that texts still point at
    QHash<int, QString> m_unpacked; // the rare texts whose bytes would not give them back
};

} // namespace Platform
