#pragma once
// The map page in a web view, and the one way to talk to it: calling a
// named page function with string arguments. Calls made before the page has
// loaded are dropped, as the map simply doesn't move then.

#include <QString>
#include <QStringList>
#include <QWidget>

#include <vector>

class QWebEngineView;

namespace dravonix {

class MapView : public QWidget {
    Q_OBJECT
public:
    enum class Page { Main, Position };
    MapView(Page page, bool korean, QWidget* parent = nullptr);

    QString pageUrl() const;
    bool loaded() const { return loaded_; }
    void callPageFunction(const QString& name, const QStringList& arguments);
    // setLatLag(longitude, latitude[, first]) for raw signed NMEA values; nothing for a 0.0.
    void showPosition(double rawLongitude, double rawLatitude, bool withFirstFlag);
    // The open recording's route, latitude and longitude in degrees.
    void setTrack(const std::vector<std::pair<double, double>>& latitudeLongitude);
    QWebEngineView* webView() const { return view_; }

signals:
    void pageLoaded();

private:
    QWebEngineView* view_ = nullptr;
    bool loaded_ = false;
    bool firstCall_ = true;
    QString pendingTrack_;
};

// The "Position" window of the driving-route page: a map that shows one
// record's position, the one it was made with until another is shown, also
// when the page loads after the call. Closing it tells the owner, which
// destroys it.
class MapWindow : public QWidget {
    Q_OBJECT
public:
    // Signed degree-minutes (ddmm.mmmm), as the route records give them.
    MapWindow(double latitude, double longitude, bool korean, QWidget* owner = nullptr);
    void showPosition(double rawLongitude, double rawLatitude);
    double keptLatitude() const { return latitude_; }
    double keptLongitude() const { return longitude_; }
    MapView& map() { return *map_; }

signals:
    void closeRequested();

protected:
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    MapView* map_ = nullptr;
    double latitude_ = 0.0;
    double longitude_ = 0.0;
};

} // namespace dravonix
