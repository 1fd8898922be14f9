#pragma once

// The files the command line names besides the music: read with care, as a name may point at a
// device that never ends, a pipe that never opens, or a file far larger than any password.

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace ruz::desktop {

// What is done with a file longer than the limit: cut there, or refused whole.
enum class Longer { Cut, Refused };

// The first `limit` bytes of the regular file named `utf8Name` (a link to one too); a longer file
// is cut there or refused. nullopt when it cannot be read: a folder, a device and a pipe are not
// read at all.
std::optional<std::string> readRegularFile(const std::string& utf8Name, std::size_t limit,
                                           Longer longer);

// Whether `bytes` hold at least one certificate in PEM form: a "-----BEGIN CERTIFICATE-----" ...
// "-----END CERTIFICATE-----" block whose body is base64 (line breaks and blanks aside) of one
// DER SEQUENCE, its length just that of the data.
bool holdsPemCertificate(std::string_view bytes);

}  // namespace ruz::desktop
