#pragma once

#include <string>

// gzip as HTTP uses it: which requests take it, which replies get it, and the compression.
class Gzip {
public:
    // Whether an Accept-Encoding value takes gzip: "gzip" or "x-gzip", or "*" where gzip is not
    // named, with a weight above 0. An empty value takes nothing but the plain body.
    static bool Accepted(const std::string& acceptEncoding);
    // Text is worth compressing; pictures and update files are sent as they are.
    static bool Compressible(const std::string& contentType);
    static std::string Compress(const std::string& data);
};
