#include "drive.h"

#include <algorithm>
#include <cmath>
#include <random>

namespace dravonix::demo {
namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr double kGravity = 9.80665;
constexpr double kMetresPerDegree = 111320.0;
constexpr double kStep = 0.1; // integration step, seconds

enum class Kind { Straight, Turn, Stop };

struct Manoeuvre {
    Kind kind = Kind::Straight;
    double length = 0.0;     // metres for Straight, degrees (left positive) for Turn, seconds for Stop
    double speedLimit = 0.0; // m/s
    double radius = 12.0;
};

// Speed at which a car takes a corner of this radius comfortably.
double cornerSpeed(double radius) { return std::sqrt(2.5 * radius); }

std::vector<Manoeuvre> planRoute(std::mt19937& rng, int seconds)
{
    std::uniform_real_distribution<double> blockLength(120.0, 420.0);
    std::uniform_int_distribution<int> choice(0, 9);
    std::uniform_real_distribution<double> limitKmh(40.0, 70.0);
    std::vector<Manoeuvre> route;
    double plannedSeconds = 0.0;
    while (plannedSeconds < seconds + 60) {
        const double limit = limitKmh(rng) / 3.6;
        const double length = blockLength(rng);
        route.push_back({Kind::Straight, length, limit, 0.0});
        plannedSeconds += length / limit + 4.0;
        const int c = choice(rng);
        if (c < 3) {
            route.push_back({Kind::Turn, c == 0 ? 90.0 : -90.0, cornerSpeed(12.0), 12.0});
        } else if (c < 5) {
            route.push_back({Kind::Turn, c == 3 ? 25.0 : -30.0, cornerSpeed(60.0), 60.0});
        } else if (c == 5) {
            route.push_back({Kind::Stop, 6.0 + choice(rng), 0.0, 0.0}); // a red light
            plannedSeconds += 12.0;
        }
    }
    return route;
}

struct Car {
    double east = 0.0;
    double north = 0.0;
    double heading = 0.0; // radians, 0 north, clockwise
    double speed = 0.0;
};

// Steps the car through the route, braking ahead of corners and red lights.
class Driver {
public:
    Driver(std::vector<Manoeuvre> route, double heading) : route_(std::move(route)) { car_.heading = heading; }

    // Advances one step; returns the forward acceleration and the yaw rate.
    void step(double& forwardAccel, double& yawRate)
    {
        const Manoeuvre& m = route_[std::min(index_, route_.size() - 1)];
        double target = m.speedLimit;
        double remaining = 0.0;
        if (m.kind == Kind::Straight) {
            remaining = m.length - progress_;
            const double nextSpeed = nextManoeuvreSpeed();
            const double brakingDistance = (car_.speed * car_.speed - nextSpeed * nextSpeed) / (2.0 * 2.2);
            if (remaining <= brakingDistance + 2.0)
                target = nextSpeed;
        } else if (m.kind == Kind::Stop) {
            target = 0.0;
        }
        const double maxUp = 1.6 * kStep;
        const double maxDown = 3.0 * kStep;
        const double newSpeed = std::clamp(target, car_.speed - maxDown, car_.speed + maxUp);
        forwardAccel = (newSpeed - car_.speed) / kStep;
        car_.speed = std::max(0.0, newSpeed);
        const double distance = car_.speed * kStep;

        yawRate = 0.0;
        if (m.kind == Kind::Turn) {
            yawRate = car_.speed / m.radius * (m.length > 0 ? 1.0 : -1.0); // left positive
            const double turned = std::abs(yawRate) * kStep * 180.0 / kPi;
            progress_ += turned;
            car_.heading -= yawRate * kStep;
            if (progress_ >= std::abs(m.length))
                next();
        } else if (m.kind == Kind::Stop) {
            if (car_.speed < 0.05) {
                progress_ += kStep;
                if (progress_ >= m.length)
                    next();
            }
        } else {
            progress_ += distance;
            if (progress_ >= m.length)
                next();
        }
        car_.east += distance * std::sin(car_.heading);
        car_.north += distance * std::cos(car_.heading);
    }

    const Car& car() const { return car_; }

private:
    double nextManoeuvreSpeed() const
    {
        if (index_ + 1 >= route_.size())
            return 0.0;
        const Manoeuvre& next = route_[index_ + 1];
        return next.kind == Kind::Stop ? 0.0 : (next.kind == Kind::Turn ? next.speedLimit : 1e9);
    }
    void next()
    {
        ++index_;
        progress_ = 0.0;
    }

    std::vector<Manoeuvre> route_;
    std::size_t index_ = 0;
    double progress_ = 0.0;
    Car car_;
};

} // namespace

std::vector<DriveSecond> simulateDrive(const DrivePlan& plan)
{
    std::mt19937 rng(plan.seed);
    std::normal_distribution<double> noise(0.0, 0.015);
    std::uniform_int_distribution<int> headingChoice(0, 3);
    Driver driver(planRoute(rng, plan.seconds), headingChoice(rng) * kPi / 2.0);

    // A short tunnel somewhere in the middle: the fix is lost for a few seconds.
    const int tunnelStart = plan.seconds * 3 / 5;
    const int tunnelEnd = tunnelStart + 5;
    int gps = 8;
    int glonass = 4;

    std::vector<DriveSecond> seconds;
    const double metresPerDegreeEast = kMetresPerDegree * std::cos(plan.startLatitude * kPi / 180.0);
    for (int s = 0; s < plan.seconds; ++s) {
        double forward = 0.0;
        double yaw = 0.0;
        for (int k = 0; k < static_cast<int>(1.0 / kStep + 0.5); ++k)
            driver.step(forward, yaw);
        const Car& car = driver.car();
        DriveSecond out;
        out.latitude = plan.startLatitude + car.north / kMetresPerDegree;
        out.longitude = plan.startLongitude + car.east / metresPerDegreeEast;
        out.speedMps = car.speed;
        out.headingDeg = std::fmod(std::fmod(car.heading * 180.0 / kPi, 360.0) + 360.0, 360.0);
        const double bump = car.speed > 0.5 ? noise(rng) * 2.0 : 0.0;
        out.accelForwardG = forward / kGravity + noise(rng);
        out.accelLeftG = car.speed * yaw / kGravity + noise(rng);
        out.accelUpG = 1.0 + bump + noise(rng) * 0.5;
        if (s % 17 == 0)
            gps = std::clamp(gps + static_cast<int>(rng() % 3) - 1, 6, 11);
        if (s % 23 == 0)
            glonass = std::clamp(glonass + static_cast<int>(rng() % 3) - 1, 2, 7);
        out.fixLost = s >= tunnelStart && s < tunnelEnd;
        out.gpsSatellites = out.fixLost ? 0 : gps;
        out.glonassSatellites = out.fixLost ? 0 : glonass;
        out.hdop = out.fixLost ? 99.9 : std::round((0.7 + 4.0 / (gps + glonass)) * 10.0) / 10.0;
        seconds.push_back(out);
    }
    return seconds;
}

std::vector<DriveSecond> parkedAt(const DriveSecond& where, int seconds, std::uint32_t seed)
{
    std::mt19937 rng(seed);
    std::normal_distribution<double> noise(0.0, 0.006);
    std::vector<DriveSecond> out;
    for (int s = 0; s < seconds; ++s) {
        DriveSecond p = where;
        p.speedMps = 0.0;
        p.fixLost = false;
        p.gpsSatellites = std::max(where.gpsSatellites, 7);
        p.glonassSatellites = std::max(where.glonassSatellites, 3);
        p.hdop = 1.1;
        p.accelForwardG = noise(rng);
        p.accelLeftG = noise(rng);
        p.accelUpG = 1.0 + noise(rng);
        out.push_back(p);
    }
    return out;
}

void addImpact(std::vector<DriveSecond>& drive, int at)
{
    const double forward[] = {-2.7, 0.9, -0.4, 0.15};
    const double left[] = {1.3, -0.8, 0.3, -0.1};
    const double up[] = {0.55, -0.35, 0.2, 0.05};
    for (int k = 0; k < 4; ++k) {
        const int i = at + k;
        if (i < 0 || i >= static_cast<int>(drive.size()))
            continue;
        drive[static_cast<std::size_t>(i)].accelForwardG += forward[k];
        drive[static_cast<std::size_t>(i)].accelLeftG += left[k];
        drive[static_cast<std::size_t>(i)].accelUpG += up[k];
    }
}

} // namespace dravonix::demo
