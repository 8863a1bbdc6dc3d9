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

    static QImage paint(const QString& line);
};
