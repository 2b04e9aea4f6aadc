#include "tools/sitesim/Gzip.h"

#include <zlib.h>

#include <cctype>
#include <cstdlib>
#include <sstream>
#include <stdexcept>

namespace {

std::string Trim(const std::string& text) {
    const std::size_t first = text.find_first_not_of(" \t");
    if (first == std::string::npos)
        return "";
    return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

std::string Lower(std::string text) {
    for (auto& c : text)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

// The weight of one "coding;q=0.5" element; 1 without one.
double Weight(const std::string& parameters) {
    std::istringstream in(parameters);
    for (std::string parameter; std::getline(in, parameter, ';');) {
        parameter = Lower(Trim(parameter));
        if (parameter.compare(0, 2, "q=") == 0)
            return std::strtod(parameter.c_str() + 2, nullptr);
    }
    return 1;
}

} // namespace

bool Gzip::Accepted(const std::string& acceptEncoding) {
    double named = -1, any = -1;
    std::istringstream in(acceptEncoding);
    for (std::string element; std::getline(in, element, ',');) {
        const std::size_t semicolon = element.find(';');
        const std::string coding = Lower(Trim(element.substr(0, semicolon)));
        const double weight =
            semicolon == std::string::npos ? 1 : Weight(element.substr(semicolon + 1));
        if (coding == "gzip" || coding == "x-gzip")
            named = weight;
        else if (coding == "*")
            any = weight;
    }
    return named >= 0 ? named > 0 : any > 0;
}

bool Gzip::Compressible(const std::string& contentType) {
    return contentType.compare(0, 5, "text/") == 0 ||
           contentType.compare(0, 22, "application/javascript") == 0;
}

std::string Gzip::Compress(const std::string& data) {
    z_stream stream{};
    // 16 above the window size asks for the gzip wrapper rather than zlib's.
    if (deflateInit2(&stream, Z_DEFAULT_COMPRESSION, Z_DEFLATED, 15 + 16, 8, Z_DEFAULT_STRATEGY) !=
        Z_OK)
        throw std::runtime_error("deflateInit2 failed");
    std::string out(deflateBound(&stream, static_cast<uLong>(data.size())), '\0');
    stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.data()));
    stream.avail_in = static_cast<uInt>(data.size());
    stream.next_out = reinterpret_cast<Bytef*>(&out[0]);
    stream.avail_out = static_cast<uInt>(out.size());
    const int result = deflate(&stream, Z_FINISH);
    out.resize(stream.total_out);
    deflateEnd(&stream);
    if (result != Z_STREAM_END)
        throw std::runtime_error("deflate failed");
    return out;
}
