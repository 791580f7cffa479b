#include "guilib/archive/archive_writer.h"

#include <algorithm>
#include <cstring>
#include <filesystem>

#include "guilib/archive/varc_chunk.h"
#include "guilib/file_bytes.h"

namespace gui {

namespace {

constexpr size_t count_bytes = 4;

size_t name_chunk(const std::string& name, uint8_t* out) {
  const size_t size = chunk_header_bytes + name.size() + 1;
  if (out) {
    write_chunk_header(out, "name", uint32_t(size));
    std::memcpy(out + chunk_header_bytes, name.c_str(), name.size() + 1);
  }
  return size;
}

size_t data_chunk(const archive_entry& e, uint8_t* out) {
  const size_t size = chunk_header_bytes + e.size;
  if (!out) return size;
  write_chunk_header(out, "data", uint32_t(size));
  uint8_t* body = out + chunk_header_bytes;
  if (e.data) {
    if (e.size > 0) std::memcpy(body, e.data, e.size);
  } else if (!e.source_path.empty()) {
    std::vector<uint8_t> bytes;
    if (read_file_bytes(e.source_path, bytes)) {
      if (!bytes.empty()) std::memcpy(body, bytes.data(), std::min<size_t>(bytes.size(), e.size));
    } else {
      std::printf("couldn't read file '%s'\n", e.source_path.c_str());
    }
  }
  return size;
}

size_t entry_chunk(const archive_entry& e, uint8_t* out, bool write_name);

size_t container_chunk(const archive_entry& dir, uint8_t* out, bool write_name) {
  size_t size = chunk_header_bytes + count_bytes;
  if (write_name) size += name_chunk(dir.name, out ? out + size : nullptr);
  for (const auto& child : dir.children) size += entry_chunk(*child, out ? out + size : nullptr, true);
  if (out) {
    write_chunk_header(out, "varc", uint32_t(size));
    riff::put_u32(out + chunk_header_bytes, uint32_t(dir.children.size()));
  }
  return size;
}

size_t entry_chunk(const archive_entry& e, uint8_t* out, bool write_name) {
  if (e.directory) return container_chunk(e, out, write_name);
  size_t size = chunk_header_bytes;
  size += name_chunk(e.name, out ? out + size : nullptr);
  size += data_chunk(e, out ? out + size : nullptr);
  if (out) write_chunk_header(out, "file", uint32_t(size));
  return size;
}

bool safe_name(const std::string& n) {
  return !n.empty() && n != "." && n != ".." && n.find_first_of("/\\") == std::string::npos;
}

}  // namespace

std::string format_short_size(uint32_t size) {
  char text[32];
  if (size < 1024) {
    std::snprintf(text, sizeof text, "%i", int(size));
  } else if (size < 1048576) {
    const double k = size / 1024.0;
    std::snprintf(text, sizeof text, k < 10.0 ? "%0.1fk" : "%0.0fk", k);
  } else {
    std::snprintf(text, sizeof text, "%0.0fm", size / 1048576.0);
  }
  return text;
}

size_t serialize_archive(const archive_entry& root, uint8_t* out) { return container_chunk(root, out, false); }

std::vector<uint8_t> serialize_archive(const archive_entry& root) {
  std::vector<uint8_t> bytes(serialize_archive(root, nullptr), 0);
  serialize_archive(root, bytes.data());
  return bytes;
}

bool write_archive(const archive_entry& root, const std::string& path) {
  const size_t total = serialize_archive(root, nullptr);
  std::printf("\nwriting \"%s\"\n", path.c_str());
  std::printf("total = %s\n\n\n", format_short_size(uint32_t(total)).c_str());
  std::vector<uint8_t> bytes(total, 0);
  serialize_archive(root, bytes.data());
  return write_file_bytes(path, bytes.data(), bytes.size());
}

bool extract(const std::string& base_dir, const archive_entry& entry) {
  const bool is_root = entry.name.empty() && entry.directory;
  if (!is_root && !safe_name(entry.name)) {
    std::printf("skipping unsafe name '%s'\n", entry.name.c_str());
    return false;
  }
  if (!entry.directory) return write_file_bytes(base_dir + entry.name, entry.data, entry.size);
  const std::string dir = is_root ? base_dir : base_dir + entry.name + "/";
  std::error_code ec;
  std::filesystem::create_directories(dir, ec);
  bool ok = !ec;
  for (const auto& child : entry.children) ok = extract(dir, *child) && ok;
  return ok;
}

void dump(const archive_entry& entry, int depth, std::FILE* out) {
  for (int i = 0; i < depth; ++i) std::fputc('\t', out);
  if (entry.directory) {
    std::fprintf(out, "%s/\n", entry.name.c_str());
    for (const auto& child : entry.children) dump(*child, depth + 1, out);
  } else {
    std::fprintf(out, "%s = %s\n", entry.name.c_str(), format_short_size(entry.size).c_str());
  }
}

bool add_folder(archive_entry& target, const std::string& dir) {
  namespace fs = std::filesystem;
  std::error_code ec;
  std::vector<fs::directory_entry> items;
  for (const fs::directory_entry& item : fs::directory_iterator(dir, ec)) items.push_back(item);
  if (ec) return false;
  std::sort(items.begin(), items.end(),
            [](const fs::directory_entry& a, const fs::directory_entry& b) { return a.path().filename() < b.path().filename(); });
  target.directory = true;
  bool ok = true;
  for (const fs::directory_entry& item : items) {
    archive_entry& e = target.add_child();
    e.name = item.path().filename().string();
    if (item.is_directory()) {
      ok = add_folder(e, item.path().string()) && ok;
    } else {
      e.source_path = item.path().string();
      e.size = uint32_t(item.file_size(ec));
    }
  }
  return ok;
}

}  // namespace gui
