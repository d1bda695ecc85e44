#include "views/scene_graph_choice.h"

#include <QByteArray>
#include <QOffscreenSurface>
#include <QOpenGLContext>
#include <QOpenGLFunctions>
#include <QQuickWindow>

namespace dravonix {
namespace {

// True when OpenGL is missing or drawn by the CPU.
bool onlySoftwareOpenGl()
{
    QOpenGLContext context;
    if (!context.create())
        return true;
    QOffscreenSurface surface;
    surface.setFormat(context.format());
    surface.create();
    if (!surface.isValid() || !context.makeCurrent(&surface))
        return true;
    const auto* text = reinterpret_cast<const char*>(context.functions()->glGetString(GL_RENDERER));
    const QByteArray renderer = QByteArray(text != nullptr ? text : "").toLower();
    context.doneCurrent();
    return renderer.isEmpty() || renderer.contains("llvmpipe") || renderer.contains("softpipe")
           || renderer.contains("software rasterizer") || renderer.contains("swrast");
}

} // namespace

SceneGraph chooseSceneGraph()
{
    if (!qEnvironmentVariableIsEmpty("QT_QUICK_BACKEND") || !qEnvironmentVariableIsEmpty("QSG_RHI_BACKEND"))
        return SceneGraph::Default;
    if (!onlySoftwareOpenGl())
        return SceneGraph::Default;
    QQuickWindow::setGraphicsApi(QSGRendererInterface::Software);
    return SceneGraph::Software;
}

} // namespace dravonix
