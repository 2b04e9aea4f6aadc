#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <mutex>
#include <string>

// Performer thumbnails: a 320 x 240 JPEG per name, in a colour drawn from the name, with the
// initials large and the whole name small, so that every performer's picture differs.
class Thumbnails {
public:
    static const int kWidth = 320;
    static const int kHeight = 240;

    std::string For(const std::string& name);
    // A valid JPEG of 10000 x 10000 pixels, for clients that must cope with huge pictures.
    std::string Huge();

    static std::string Initials(const std::string& name);

private:
    // rowAt(y) gives the RGB bytes of row y. Empty on an encoder failure.
    static std::string Encode(int width, int height,
                              const std::function<const std::uint8_t*(int)>& rowAt);

    std::mutex m_mutex;
    std::map<std::string, std::string> m_cache;
    std::string m_huge;
};
