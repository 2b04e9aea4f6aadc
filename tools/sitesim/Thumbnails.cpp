#include "tools/sitesim/Thumbnails.h"

#include "tools/sitesim/BitmapFont.h"

#include <cctype>
#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include <jpeglib.h>

namespace {

struct ErrorManager {
    jpeg_error_mgr base;
    std::jmp_buf escape;
};

void OnJpegError(j_common_ptr info) {
    std::longjmp(reinterpret_cast<ErrorManager*>(info->err)->escape, 1);
}

std::uint32_t Hash(const std::string& text) {
    std::uint32_t hash = 2166136261u;
    for (unsigned char c : text)
        hash = (hash ^ c) * 16777619u;
    return hash;
}

bool StartsWord(const std::string& name, std::size_t i) {
    const unsigned char c = static_cast<unsigned char>(name[i]);
    const unsigned char before = static_cast<unsigned char>(name[i - 1]);
    if (c == '_')
        return false;
    return before == '_' || (std::isupper(c) && std::islower(before)) ||
           (std::isdigit(c) && !std::isdigit(before));
}

} // namespace

std::string Thumbnails::Initials(const std::string& name) {
    std::string initials;
    std::size_t i = 0;
    while (i < name.size() && name[i] == '_')
        ++i;
    if (i == name.size())
        return "_";
    initials += name[i];
    for (++i; i < name.size() && initials.size() < 2; ++i)
        if (StartsWord(name, i))
            initials += name[i];
    for (auto& c : initials)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return initials;
}

std::string Thumbnails::Encode(int width, int height,
                               const std::function<const std::uint8_t*(int)>& rowAt) {
    jpeg_compress_struct info;
    ErrorManager errors;
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    info.err = jpeg_std_error(&errors.base);
    errors.base.error_exit = OnJpegError;
    if (setjmp(errors.escape)) {
        jpeg_destroy_compress(&info);
        std::free(buffer);
        return std::string();
    }
    jpeg_create_compress(&info);
    jpeg_mem_dest(&info, &buffer, &size);
    info.image_width = static_cast<JDIMENSION>(width);
    info.image_height = static_cast<JDIMENSION>(height);
    info.input_components = 3;
    info.in_color_space = JCS_RGB;
    jpeg_set_defaults(&info);
    jpeg_set_quality(&info, 80, TRUE);
    jpeg_start_compress(&info, TRUE);
    while (info.next_scanline < info.image_height) {
        JSAMPROW row = const_cast<JSAMPROW>(rowAt(static_cast<int>(info.next_scanline)));
        jpeg_write_scanlines(&info, &row, 1);
    }
    jpeg_finish_compress(&info);
    jpeg_destroy_compress(&info);
    std::string out(reinterpret_cast<const char*>(buffer), size);
    std::free(buffer);
    return out;
}

std::string Thumbnails::For(const std::string& name) {
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        const auto cached = m_cache.find(name);
        if (cached != m_cache.end())
            return cached->second;
    }
    // A colour of middling brightness, so that white letters read on it.
    const std::uint32_t hash = Hash(name);
    const std::uint8_t r = static_cast<std::uint8_t>(40 + (hash & 0xFF) % 150);
    const std::uint8_t g = static_cast<std::uint8_t>(40 + ((hash >> 8) & 0xFF) % 150);
    const std::uint8_t b = static_cast<std::uint8_t>(40 + ((hash >> 16) & 0xFF) % 150);
    std::vector<std::uint8_t> rgb(static_cast<std::size_t>(kWidth) * kHeight * 3);
    for (std::size_t i = 0; i < rgb.size(); i += 3) {
        rgb[i] = r;
        rgb[i + 1] = g;
        rgb[i + 2] = b;
    }
    const std::string initials = Initials(name);
    const int big = 12;
    BitmapFont::Draw(rgb, kWidth, kHeight,
                     (kWidth - BitmapFont::TextWidth(initials.c_str(), big)) / 2, 40,
                     initials.c_str(), big, 255, 255, 255);
    const int small = BitmapFont::TextWidth(name.c_str(), 2) <= kWidth - 8 ? 2 : 1;
    BitmapFont::Draw(rgb, kWidth, kHeight,
                     (kWidth - BitmapFont::TextWidth(name.c_str(), small)) / 2, 200, name.c_str(),
                     small, 255, 255, 255);
    const std::string jpeg = Encode(
        kWidth, kHeight, [&](int y) { return &rgb[static_cast<std::size_t>(y) * kWidth * 3]; });
    std::lock_guard<std::mutex> lock(m_mutex);
    m_cache[name] = jpeg;
    return jpeg;
}

std::string Thumbnails::Huge() {
    std::lock_guard<std::mutex> lock(m_mutex);
    if (m_huge.empty()) {
        const int side = 10000;
        std::vector<std::uint8_t> row(static_cast<std::size_t>(side) * 3, 0x80);
        m_huge = Encode(side, side, [&](int) { return row.data(); });
    }
    return m_huge;
}
