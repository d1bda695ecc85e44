#pragma once
// The camera's 500-byte settings record, field by field: name, offset,
// default, and whether the defaults keep a card's value ("kept").
// X(name, setter, offset, default, kept) for each integer field of its width.

#define DRAVONIX_CONFIG_U16_FIELDS(X) \
    X(magic, setMagic, 0, 0x5726, false)

#define DRAVONIX_CONFIG_U32_FIELDS(X)                                                  \
    X(osdLayout, setOsdLayout, 4, 1, false)                                            \
    X(shareAlways, setShareAlways, 8, 70, true)                                        \
    X(shareEvent, setShareEvent, 12, 10, true)                                         \
    X(shareParking, setShareParking, 16, 20, true)                                     \
    X(cutOffVoltage, setCutOffVoltage, 20, 12000, false)                               \
    X(externalPower, setExternalPower, 24, 0, false)                                   \
    X(cutOffTimer, setCutOffTimer, 28, 0, false)                                       \
    X(reserved32, setReserved32, 32, 3, false)                                         \
    X(reserved36, setReserved36, 36, 0, false)                                         \
    X(reserved40, setReserved40, 40, 1, false)                                         \
    X(reserved44, setReserved44, 44, 1, false)                                         \
    X(microphone, setMicrophone, 48, 3, false)                                         \
    X(speakerVolume, setSpeakerVolume, 52, 2, false)                                   \
    X(reserved56, setReserved56, 56, 0, false)                                         \
    X(frontVideoQuality, setFrontVideoQuality, 60, 2, false)                           \
    X(reserved64, setReserved64, 64, 0, false)                                         \
    X(frontBrightness, setFrontBrightness, 68, 2, false)                               \
    X(reserved72, setReserved72, 72, 2, false)                                         \
    X(reserved76, setReserved76, 76, 128, false)                                       \
    X(frontSharpness, setFrontSharpness, 80, 2, false)                                 \
    X(reserved84, setReserved84, 84, 2, false)                                         \
    X(drivingImpactX, setDrivingImpactX, 88, 50, false)                                \
    X(drivingImpactY, setDrivingImpactY, 92, 45, false)                                \
    X(drivingImpactZ, setDrivingImpactZ, 96, 45, false)                                \
    X(parkingStandbySeconds, setParkingStandbySeconds, 100, 10, false)                 \
    X(parkingImpactX, setParkingImpactX, 104, 8, false)                                \
    X(parkingImpactY, setParkingImpactY, 108, 8, false)                                \
    X(parkingImpactZ, setParkingImpactZ, 112, 8, false)                                \
    X(frontMotionSensitivity, setFrontMotionSensitivity, 116, 3, false)                \
    X(rearMotionSensitivity, setRearMotionSensitivity, 120, 3, false)                  \
    X(frontMotionArea, setFrontMotionArea, 124, 0x60, false)                           \
    X(highTempEntryTemperature, setHighTempEntryTemperature, 128, 97, false)           \
    X(highTempEntryDuration, setHighTempEntryDuration, 132, 3600, false)               \
    X(highTempReleaseTemperature, setHighTempReleaseTemperature, 136, 92, false)       \
    X(highTempReleaseDuration, setHighTempReleaseDuration, 140, 60, false)             \
    X(videoOutput, setVideoOutput, 144, 0, false)                                      \
    X(reserved148, setReserved148, 148, 0, false)                                      \
    X(speedOnVideo, setSpeedOnVideo, 152, 1, false)                                    \
    X(platePresent, setPlatePresent, 156, 0, false)                                    \
    X(plateNumber, setPlateNumber, 160, 0, false)                                      \
    X(speedUnit, setSpeedUnit, 164, 0, false)                                          \
    X(timeZone, setTimeZone, 168, 28, true)                                            \
    X(summerTime, setSummerTime, 172, 0, true)                                         \
    X(weeklyAlarmDay, setWeeklyAlarmDay, 176, 0, false)                                \
    X(standbyDrivingEnabled, setStandbyDrivingEnabled, 180, 1, false)                  \
    X(standbyParkingEnabled, setStandbyParkingEnabled, 184, 1, false)                  \
    X(reserved188, setReserved188, 188, 1, false)                                      \
    X(recordingMode, setRecordingMode, 192, 0, false)                                  \
    X(impactSensorEnabled, setImpactSensorEnabled, 196, 1, false)                      \
    X(reserved200, setReserved200, 200, 1, false)                                      \
    X(highTempSafetyMode, setHighTempSafetyMode, 204, 1, false)                        \
    X(hourlyAlarm, setHourlyAlarm, 208, 1, false)                                      \
    X(reserved212, setReserved212, 212, 1, false)                                      \
    X(reserved216, setReserved216, 216, 60, false)                                     \
    X(reserved220, setReserved220, 220, 20, false)                                     \
    X(routeSavingInterval, setRouteSavingInterval, 224, 7, false)                      \
    X(reserved228, setReserved228, 228, 176, false)                                    \
    X(reserved232, setReserved232, 232, 3000, false)                                   \
    X(nightExposure, setNightExposure, 236, 1, false)                                  \
    X(gpsInParking, setGpsInParking, 240, 0, false)                                    \
    X(voiceLanguage, setVoiceLanguage, 244, 1, true)                                   \
    X(frontLed, setFrontLed, 248, 0, false)                                            \
    X(mainsFrequency, setMainsFrequency, 252, 0, false)                                \
    X(rearVideoQuality, setRearVideoQuality, 264, 2, false)                            \
    X(rearBrightness, setRearBrightness, 268, 2, false)                                \
    X(rearSharpness, setRearSharpness, 272, 2, false)                                  \
    X(screenAutoOff, setScreenAutoOff, 276, 2, false)                                  \
    X(screenBrightness, setScreenBrightness, 280, 1, false)                            \
    X(screenSaver, setScreenSaver, 284, 0, false)                                      \
    X(rearCameraInParking, setRearCameraInParking, 288, 0, false)                      \
    X(reserved292, setReserved292, 292, 1, false)                                      \
    X(reserved296, setReserved296, 296, 98, false)                                     \
    X(reserved300, setReserved300, 300, 1, false)                                      \
    X(rearMirrored, setRearMirrored, 304, 0, false)                                    \
    X(parkingNotice, setParkingNotice, 308, 1, false)                                  \
    X(rearFrameRate, setRearFrameRate, 312, 0, false)                                  \
    X(reserved316, setReserved316, 316, 0, false)                                      \
    X(rearMotionArea, setRearMotionArea, 320, 0x60, false)                             \
    X(rearLedAndExternalTrigger, setRearLedAndExternalTrigger, 324, 0, false)          \
    X(drivingRecordingLength, setDrivingRecordingLength, 328, 1, false)                \
    X(pipPosition, setPipPosition, 332, 0, false)                                      \
    X(reserved336, setReserved336, 336, 0, false)                                      \
    X(screenNightBrightness, setScreenNightBrightness, 340, 1, false)                  \
    X(reserved344, setReserved344, 344, 0, false)                                      \
    X(frontFilterTint, setFrontFilterTint, 348, 0, false)                              \
    X(rearTint, setRearTint, 352, 0, false)                                            \
    X(cableVoltageLoss, setCableVoltageLoss, 388, 4, false)                            \
    X(autoFormat, setAutoFormat, 392, 0, false)                                        \
    X(wdr, setWdr, 404, 1, false)                                                      \
    X(parkingRecording, setParkingRecording, 408, 0, false)                            \
    X(nightVision, setNightVision, 412, 0, false)                                      \
    X(wifiChannel, setWifiChannel, 416, 0, false)                                      \
    X(reserved496, setReserved496, 496, 1, false)

#define DRAVONIX_CONFIG_U8_FIELDS(X)                                \
    X(vehicleType, setVehicleType, 396, 0, false)                   \
    X(ldwsSpeed, setLdwsSpeed, 397, 30, false)                      \
    X(fcwsSpeed, setFcwsSpeed, 398, 30, false)                      \
    X(fvsa, setFvsa, 399, 1, false)                                 \
    X(ldwsSensitivity, setLdwsSensitivity, 400, 2, false)           \
    X(fcwsSensitivity, setFcwsSensitivity, 401, 2, false)           \
    X(fvsaSensitivity, setFvsaSensitivity, 402, 2, false)

// X(name, setter, offset, width, default text)
#define DRAVONIX_CONFIG_TEXT_FIELDS(X)                                \
    X(plateText, setPlateText, 256, 8, "Dravonix")                    \
    X(wifiName, setWifiName, 356, 16, "Dravonix")                     \
    X(wifiPassword, setWifiPassword, 372, 16, "48213765")             \
    X(reserved420, setReserved420, 420, 76, "")
