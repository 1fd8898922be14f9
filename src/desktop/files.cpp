#include "desktop/files.h"

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>

namespace ruz::desktop {

namespace {

constexpr std::string_view kPemBegin = "-----BEGIN CERTIFICATE-----";
constexpr std::string_view kPemEnd = "-----END CERTIFICATE-----";
constexpr std::string_view kBase64Alphabet =
    "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
constexpr std::string_view kPemSpace = " \t\r\n";
constexpr std::size_t kBase64Quantum = 4;
constexpr std::size_t kMaxPadding = 2;
constexpr unsigned char kDerSequence = 0x30;
constexpr unsigned char kDerLongLength = 0x80;
// The most length bytes a DER length in the long form takes here.
constexpr std::size_t kMaxDerLengthBytes = 4;

// The bytes of a base64 body (blanks and line breaks between its characters); nullopt when it is
// not base64: another character, a length that is not a multiple of four, padding other than one
// or two '=' at the very end.
std::optional<std::string> decodeBase64(std::string_view body) {
    std::string digits;
    for (const char c : body) {
        if (kPemSpace.find(c) == std::string_view::npos) {
            digits.push_back(c);
        }
    }
    const std::size_t firstPad = digits.find('=');
    const std::size_t padding = firstPad == std::string::npos ? 0 : digits.size() - firstPad;
    if (digits.empty() || digits.size() % kBase64Quantum != 0 || padding > kMaxPadding ||
        (padding > 0 && digits.find_first_not_of('=', firstPad) != std::string::npos)) {
        return std::nullopt;
    }
    std::string bytes;
    std::uint32_t bits = 0;
    int count = 0;
    for (const char c : std::string_view(digits).substr(0, digits.size() - padding)) {
        const std::size_t value = kBase64Alphabet.find(c);
        if (value == std::string_view::npos) {
            return std::nullopt;
        }
        bits = (bits << 6) | static_cast<std::uint32_t>(value);
        count += 6;
        if (count >= 8) {
            count -= 8;
            bytes.push_back(static_cast<char>((bits >> count) & 0xFF));
        }
    }
    return bytes;
}

// Whether `der` is one DER SEQUENCE whose length is that of the data after its header.
bool isDerSequence(std::string_view der) {
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(der[i]); };
    if (der.size() < 2 || byte(0) != kDerSequence) {
        return false;
    }
    std::size_t header = 2;
    std::size_t length = byte(1);
    if (byte(1) >= kDerLongLength) {
        const std::size_t lengthBytes = byte(1) - kDerLongLength;
        if (lengthBytes == 0 || lengthBytes > kMaxDerLengthBytes || der.size() < 2 + lengthBytes) {
            return false;
        }
        length = 0;
        for (std::size_t i = 0; i < lengthBytes; ++i) {
            length = (length << 8) | byte(2 + i);
        }
        header += lengthBytes;
    }
    return der.size() - header == length;
}

// A file named in UTF-8.
std::filesystem::path pathOf(const std::string& utf8) {
#ifdef _WIN32
    return std::filesystem::path(std::u8string(utf8.begin(), utf8.end()));
#else
    return std::filesystem::path(utf8);
#endif
}

}  // namespace

std::optional<std::string> readRegularFile(const std::string& name, std::size_t limit,
                                           Longer longer) {
    std::error_code error;
    const std::filesystem::path path = pathOf(name);
    if (!std::filesystem::is_regular_file(path, error)) {
        return std::nullopt;
    }
    std::ifstream file(path, std::ios::binary);
    if (!file) {
        return std::nullopt;
    }
    std::string bytes;
    std::istreambuf_iterator<char> it(file);
    for (const std::istreambuf_iterator<char> end; it != end && bytes.size() < limit; ++it) {
        bytes.push_back(*it);
    }
    if (longer == Longer::Refused && it != std::istreambuf_iterator<char>()) {
        return std::nullopt;
    }
    return bytes;
}

bool holdsPemCertificate(std::string_view bytes) {
    for (std::size_t from = 0;;) {
        const std::size_t begin = bytes.find(kPemBegin, from);
        if (begin == std::string_view::npos) {
            return false;
        }
        const std::size_t bodyStart = begin + kPemBegin.size();
        const std::size_t end = bytes.find(kPemEnd, bodyStart);
        if (end == std::string_view::npos) {
            return false;
        }
        const auto der = decodeBase64(bytes.substr(bodyStart, end - bodyStart));
        if (der && isDerSequence(*der)) {
            return true;
        }
        from = end + kPemEnd.size();
    }
}

}  // namespace ruz::desktop
