// Result of an image-building or image-reading operation: a code and the message text.
#pragma once

#include <string>

enum class ImageCode {
    Ok = 0,
    DataError,      // the database or file cannot be made into (or read as) an image; the user can act
    InternalError,  // a broken invariant of the program: the caller shows it as a program error
};

struct ImageResult {
    ImageCode code = ImageCode::Ok;
    std::string text;

    bool ok() const { return code == ImageCode::Ok; }
    explicit operator bool() const { return ok(); }

    static ImageResult Ok() { return {}; }
    static ImageResult Data(std::string message) { return {ImageCode::DataError, std::move(message)}; }
    static ImageResult Internal(std::string message) { return {ImageCode::InternalError, std::move(message)}; }
};
