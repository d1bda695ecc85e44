#pragma once
// The map page in a web view, and the one way to talk to it: calling a
// named page function with string arguments. Calls made before the page has
// loaded are dropped, as the map simply doesn't move then.

#include "views/trip_route.h"

#include <QObject>
#include <QString>
#include <QStringList>
#include <QWidget>

#include <vector>

class QWebEngineView;

namespace dravonix {

// The object the page talks to over the web channel, as "bridge".
class MapPageBridge : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;
    // A click on the map at a place, and how many metres from it still count as there.
    Q_INVOKABLE void routeClicked(double latitude, double longitude, double toleranceMetres)
    {
        emit clicked(latitude, longitude, toleranceMetres);
    }

signals:
    void clicked(double latitude, double longitude, double toleranceMetres);
};

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
    // A whole trip's route coloured by speed, with its legend, in place of
    // the recording's track; the view is fitted to it. Kept until
    // clearTripRoute(), which a single recording playing again calls for.
    void showTripRoute(const std::vector<TripRoutePoint>& points);
    void clearTripRoute();
    bool showsTripRoute() const { return tripRouteShown_; }
    // The legend's unit; a route shown is drawn again in it.
    void setMilesPerHour(bool milesPerHour);
    QWebEngineView* webView() const { return view_; }

signals:
    void pageLoaded();
    // The user clicked on or near the trip's route: the moment of the trip
    // of the route point nearest the click.
    void routeClicked(qint64 tripMs);

private:
    void sendTripRoute();
    void pageClicked(double latitude, double longitude, double toleranceMetres);

    QWebEngineView* view_ = nullptr;
    bool loaded_ = false;
    bool firstCall_ = true;
    QString pendingTrack_;
    std::vector<TripRoutePoint> tripRoute_;
    bool tripRouteShown_ = false;
    bool milesPerHour_ = false;
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
