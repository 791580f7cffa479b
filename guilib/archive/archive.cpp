#include "guilib/archive/archive.h"

#include <cstring>

#include "guilib/archive/varc_chunk.h"
#include "guilib/file_bytes.h"

namespace gui {

namespace {

constexpr size_t count_bytes = 4;

// A "name" chunk's string: empty unless the body ends in NUL.
std::string name_of(const chunk_ref& c) {
  if (c.body_size() == 0 || c.body()[c.body_size() - 1] != 0) return {};
  return std::string(reinterpret_cast<const char*>(c.body()));
}

void mount_file(const chunk_ref& c, archive_entry& entry) {
  const uint8_t* end = c.start + c.size;
  const chunk_ref name = find_chunk_in(c.body(), end, "name");
  const chunk_ref data = find_chunk_in(c.body(), end, "data");
  if (!name.start || !data.start) return;  // the entry stays empty
  entry.name = name_of(name);
  entry.data = data.body();
  entry.size = data.body_size();
}

void mount_container(const chunk_ref& container, archive_entry& target, int depth) {
  if (container.body_size() < count_bytes) return;
  const uint32_t count = riff::read_u32(container.body());
  const uint8_t* end = container.start + container.size;
  uint32_t visited = 0;
  for (chunk_ref c = chunk_at(container.body() + count_bytes, end); c.start && visited < count;
       c = chunk_at(c.start + c.size, end)) {
    if (c.is("file") || c.is("node")) {
      mount_file(c, target.add_child());
      ++visited;
    } else if (c.is("varc")) {
      archive_entry& dir = target.add_child();
      dir.directory = true;
      if (depth < max_archive_depth) mount_container(c, dir, depth + 1);
      ++visited;
    } else {
      target.name = name_of(c);
    }
  }
}

}  // namespace

archive_entry& archive_entry::add_child() {
  children.push_back(std::make_unique<archive_entry>());
  return *children.back();
}

bool mount(const uint8_t* blob, size_t size, archive_entry& target) {
  if (!blob) return false;
  const chunk_ref c = chunk_at(blob, blob + size);
  if (!c.start || !c.is("varc")) return false;
  target.directory = true;
  mount_container(c, target, 0);
  return true;
}

const archive_entry* find_child(const archive_entry& entry, const std::string& name) {
  for (const auto& child : entry.children) {
    if (child->name == name) return child.get();
  }
  return nullptr;
}

const archive_entry* find_path(const archive_entry& root, const std::string& path, const char* suffix) {
  const archive_entry* at = &root;
  size_t start = 0;
  for (size_t slash = path.find('/'); slash != std::string::npos; slash = path.find('/', start)) {
    at = find_child(*at, path.substr(start, slash - start));
    if (!at) return nullptr;
    start = slash + 1;
  }
  return find_child(*at, path.substr(start) + suffix);
}

bool archive::load_file(const std::string& path) {
  std::vector<uint8_t> bytes;
  if (!read_file_bytes(path, bytes) || bytes.empty()) return false;
  buffers_.push_back(std::move(bytes));  // moving keeps the bytes where they are
  return mount(buffers_.back().data(), buffers_.back().size(), root_);
}

}  // namespace gui
