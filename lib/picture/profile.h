#pragma once

#include <QElapsedTimer>

// Time spent in each stage of a conversion, summed while a benchmark sets conversionProfile.
struct ConversionProfile {
    qint64 layout = 0;
    qint64 paint = 0;
    qint64 compress = 0;
    qint64 write = 0;
    qint64 flush = 0; // part of write: the file's data and its folder to disk
};

extern ConversionProfile* conversionProfile;

// Adds the time from construction to destruction to one stage of the active profile, if any.
class ProfileStage {
public:
    explicit ProfileStage(qint64 ConversionProfile::*stage) : stage_(stage) {
        if (conversionProfile)
            timer_.start();
    }
    ~ProfileStage() {
        if (conversionProfile && timer_.isValid())
            conversionProfile->*stage_ += timer_.nsecsElapsed();
    }
    ProfileStage(const ProfileStage&) = delete;
    ProfileStage& operator=(const ProfileStage&) = delete;

private:
    qint64 ConversionProfile::*stage_;
    QElapsedTimer timer_;
};
