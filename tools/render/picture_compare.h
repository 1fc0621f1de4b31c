#pragma once

#include <QImage>
#include <QString>

// How a rendered picture stands against a reference picture.
struct PictureDifference {
    bool sameSize = false;
    long long differing = 0;  // pixels with a channel farther apart than the tolerance
    long long total = 0;
    int largest = 0;  // the largest channel difference anywhere, 0..255

    double Percent() const {
        return total > 0 ? 100.0 * static_cast<double>(differing) / static_cast<double>(total) : 100.0;
    }
};

// A channel may differ by this much (of 255) before its pixel counts as different: small
// colour drift passes, a moved or missing line does not.
inline constexpr int kChannelTolerance = 8;

// Compares the RGB channels of two pictures of the same size; alpha is ignored.
PictureDifference ComparePictures(const QImage& picture, const QImage& reference,
                                  int tolerance = kChannelTolerance);

// The picture dimmed to a quarter, with every differing pixel in full magenta, for a look at
// where a comparison failed. Same size as PICTURE; empty when the sizes differ.
QImage DifferenceImage(const QImage& picture, const QImage& reference, int tolerance = kChannelTolerance);

// Where the picture of the differences of OUTPUT goes: NAME-diff.png beside it.
QString DifferencePath(const QString& output);
