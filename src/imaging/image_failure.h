// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "imaging/image_error.h"
#include "imaging/jpeg_codec.h"

#include <QString>

namespace kelvra {

// A failure of the imaging layer as a value: the code, and the codec's,
// toolkit reader's or file system's own words when they gave any.
struct ImageFailure
{
    ImageError code = ImageError::None;
    QString detail;
};

inline ImageFailure failureOf(const jpeg::CodecResult &result)
{
    return { result.error, result.error == ImageError::Library ? QString::fromLatin1(result.message) : QString() };
}

} // namespace kelvra
