#pragma once
// Draws the viewer's skin: a dark theme at the sizes and frame counts the
// window layout expects. Run at build time; the pictures become resources.

#include <QImage>
#include <QString>

#include <vector>

namespace dravonix::skin {

struct SkinImage {
    QString name; // the resource's base name, as the window looks it up
    QImage image;
};

std::vector<SkinImage> paintSkin();

} // namespace dravonix::skin
