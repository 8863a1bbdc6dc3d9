#pragma once

#include <QImage>
#include <QString>

// Draws the banner picture shown on the pages of the main window: a scratched disc giving up a
// rescued file, the program's name and one line of text. Needs a QGuiApplication (for fonts).
class BannerPainter
{
public:
    static constexpr int Width = 468;
    static constexpr int Height = 60;
    // The line's pixel size goes down from 12 to this to fit; a line still too long is cut.
    static constexpr int SmallestLineSize = 10;

    static QImage paint(const QString& line);
    // Whether the line fits whole at the smallest size.
    static bool lineFits(const QString& line);
};
