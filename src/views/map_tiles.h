#pragma once
// Where the map's tiles come from and how they are asked for. The tile URL
// template is a user setting ("map/tileUrl" in the viewer's settings file),
// so the map can be pointed at another tile server or a local one; without
// it, or when it is not an http, https or file URL with {z}, {x} and {y},
// OpenStreetMap's standard tiles are used. Every tile request names the
// program (user agent) and its home page (Referer), as the tile servers'
// usage policies ask.

#include <QString>

namespace dravonix {

inline constexpr char kDefaultTileUrl[] = "https://tile.openstreetmap.org/{z}/{x}/{y}.png";
inline constexpr char kTileUrlSetting[] = "map/tileUrl";
// The tiles kept on disk between runs: enough for the roads of many trips.
inline constexpr qint64 kTileCacheBytes = 100LL * 1024 * 1024;

bool usableTileUrlTemplate(const QString& urlTemplate);
// The template from the settings, or the default one.
QString mapTileUrlTemplate();

QString mapUserAgent();
QString mapReferer();

} // namespace dravonix
