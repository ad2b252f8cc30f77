// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// No toolkit types here: the codec wrapper, which is plain C-style code,
// reports with it too.

#include <string>
#include <utility>

namespace kelvra {

// Why a picture could not be read, decoded or encoded. The window and the
// command line make their own sentence of it; a detail, when there is one,
// is the codec's, the toolkit reader's or the file system's own words.
enum class ImageError : unsigned char {
    None,
    Library, // the codec refused the data; the detail says why
    NoData, // nothing to decode
    FileUnreadable, // the detail is the file system's
    FileTooLarge,
    PictureTooLarge, // needs more memory than we hold for one picture
    TooManyScans, // a progressive file that walks its coefficients too often
    UnsupportedScale,
    NoMemory,
    DecoderStalled, // the data ended where the decoder needed more
    UnexpectedLayout, // the decoder's output is not the 32-bit rows asked for
    SizeNotEncodable,
    EncodedTooLarge,
    PaintRefused, // the label could not be laid out or drawn on the rows
    NoPicture, // nothing decoded to encode
    NoReader, // no image reader of the toolkit takes the file; the detail is its
};

// Whether the detail of a failure says all there is to say (the codec's,
// reader's or system's words), so no sentence of ours goes with it.
constexpr bool detailSaysWhy(ImageError error)
{
    return error == ImageError::None || error == ImageError::Library || error == ImageError::FileUnreadable
        || error == ImageError::NoReader;
}

// The value of an operation that gives nothing but whether it worked.
struct NoValue
{
};

// What every imaging operation that can fail gives back, as FileResult does
// for the file layer: the code of why it failed and the library's, reader's
// or system's own words, or the value it made.
template<typename T = NoValue> struct [[nodiscard]] ImageResult
{
    ImageError error = ImageError::None;
    std::string detail; // may be empty
    T value {};

    bool ok() const { return error == ImageError::None; }
    explicit operator bool() const { return ok(); }
};

template<typename T> ImageResult<T> succeeded(T value)
{
    return { ImageError::None, {}, std::move(value) };
}

template<typename T = NoValue> ImageResult<T> failed(ImageError error, std::string detail = {})
{
    return { error, std::move(detail), T {} };
}

// One operation's failure passed on as that of another.
template<typename T = NoValue, typename U> ImageResult<T> failedAs(ImageResult<U> &&other)
{
    return { other.error, std::move(other.detail), T {} };
}

} // namespace kelvra
