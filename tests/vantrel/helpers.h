#pragma once
// Shared by the libvantrel tests: a photo in a temporary folder, and what the folder
// holds besides it.

#include "platform/vantrel/vantrel.h"
#include "tests/support/files.h"
#include "tests/support/oracle.h"
#include "tests/support/photos.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringList>

namespace vantreltest {

inline uint16_t Transform(const QString& path, int code) {
    return vtJpegLosslessTransform(QFile::encodeName(path).constData(),
                                   static_cast<uint16_t>(code));
}

// Every entry of the folder, hidden ones included, sorted.
inline QStringList Entries(const QString& folder) {
    return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::System |
                                      QDir::NoDotAndDotDot,
                                  QDir::Name);
}

inline testsupport::JpegSpec Spec(int width, int height,
                                  testsupport::Sampling sampling = testsupport::Sampling::S420) {
    testsupport::JpegSpec spec;
    spec.width = width;
    spec.height = height;
    spec.sampling = sampling;
    return spec;
}

// Whether the result of `code` on `input` decodes to what jpegtran makes of it.
inline ::testing::AssertionResult LikeJpegtran(const QByteArray& result, const QByteArray& input,
                                               int code) {
    const QByteArray oracle = testsupport::Jpegtran(testsupport::JpegtranArgs(code), input);
    if (oracle.isEmpty()) return ::testing::AssertionFailure() << "jpegtran failed";
    const testsupport::Pixels want = testsupport::Decode(oracle);
    const testsupport::Pixels got = testsupport::Decode(result);
    if (got.width == 0) return ::testing::AssertionFailure() << "result does not decode";
    if (!(got == want))
        return ::testing::AssertionFailure()
               << "result " << got.width << "x" << got.height << "x" << got.components
               << " differs from jpegtran's " << want.width << "x" << want.height << "x"
               << want.components;
    return ::testing::AssertionSuccess();
}

}  // namespace vantreltest
