#pragma once
// The map's web view draws through Qt Quick, and a window holding one is
// composed through OpenGL as a whole. Where the only OpenGL is a software
// rasteriser (no GPU, a virtual display), that composition costs more than
// decoding both videos; Qt Quick's own software renderer draws the same map
// for a fraction. Called once after the application object exists and before
// any web view is made; an explicit QT_QUICK_BACKEND or QSG_RHI_BACKEND wins.

namespace dravonix {

enum class SceneGraph { Default, Software };

SceneGraph chooseSceneGraph();

} // namespace dravonix
