// The crawler's export files: the decoded measurements as "data.txt", the
// live KMRR readings appended to "kmrr_data_x.txt" / "kmrr_data_y.txt" for
// calibrating those sensors on the rig, and the frames of the memory image
// as PNG files in a fresh folder "crawler_images_N".
//
// Paths are std::filesystem paths so that folder names with Cyrillic letters
// work on Windows too.
#pragma once

#include "crawler/crawler_record.h"

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace orvex::crawler {

/// The text of "data.txt": per record the lines "enc: ", "diam: ", "kmrr: "
/// with two values each (general notation, 5 significant digits, fields of
/// 12 characters) and an empty line. No records: empty text.
std::string data_text(const std::vector<PhysEntry>& phys);
/// Writes data_text() to `path`, truncating it. False when it cannot be written.
bool write_data_file(const std::filesystem::path& path, const std::vector<PhysEntry>& phys);

/// One line of a KMRR calibration file: the position text and the reading,
/// each right-aligned in 8 characters.
std::string kmrr_line(const std::string& position, double value);
/// Appends a line to "kmrr_data_x.txt" (X position, KMRR 1) and to
/// "kmrr_data_y.txt" (Y position, KMRR 2) in `folder`. False when either
/// file cannot be opened; nothing is written then.
bool append_kmrr_files(const std::filesystem::path& folder, const std::string& x_position, double kmrr_1,
                       const std::string& y_position, double kmrr_2);

/// An 8-bit grey PNG (uncompressed deflate blocks). False when the file
/// cannot be written or the size is zero.
bool write_gray_png(const std::filesystem::path& path, const std::uint8_t* pixels, std::size_t width,
                    std::size_t height);

/// The first "crawler_images_N" (N = 0..999) in `folder` that does not exist,
/// created; when all exist, the last one. Empty path when it cannot be created.
std::filesystem::path new_image_folder(const std::filesystem::path& folder);

/// Writes every whole 1 MiB frame of the memory image as
/// "<images folder>/img_k.png" (1024 x 1024 grey). Returns the images folder,
/// or an empty path when the folder or a file could not be written.
std::filesystem::path write_frame_images(const std::filesystem::path& folder, const std::uint8_t* memory,
                                         std::size_t size);

} // namespace orvex::crawler
