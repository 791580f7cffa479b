#include "guilib/widgets/dialogs.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <system_error>

#include "guilib/menu/dropbox.h"
#include "guilib/paint/canvas.h"
#include "guilib/platform/backend.h"
#include "guilib/platform/keys.h"
#include "guilib/style/palette.h"
#include "guilib/view/painter.h"
#include "guilib/view/root_container.h"
#include "guilib/widgets/button.h"
#include "guilib/widgets/edit.h"
#include "guilib/widgets/list_box.h"
#include "guilib/widgets/text.h"
#include "guilib/widgets/text_wrap.h"
#include "platform/utf8.h"
#include "platform/utf8_path.h"

namespace gui {

namespace fs = std::filesystem;
namespace k = wnd::key;
using platform::utf8_path;
using platform::utf8_text;

namespace {

constexpr size_t native_path_capacity = 1024;

// The folder a dialog opens in when the request names none: the last one used.
std::string& last_folder() {
  static std::string folder;
  return folder;
}

std::string lower(std::string s) {
  std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return char(std::tolower(c)); });
  return s;
}

// The dimmed cover over the window that holds a dialog's card: it takes every
// press outside the card, so nothing below can be used while it is open.
class modal_layer : public control {
 public:
  modal_layer(const char* name, rect window, rect card, const ui_style& style)
      : control("container", name, window), card_(card), style_(style) {
    filter().enabled = false;
  }
  int press(event& e, point p) override { return press_code::handled; }
  bool wheel(event& e, point p, float) override { return true; }
  void paint(painter& p) override {
    p.fill(bounds(), 0x99080A0D);
    p.soft_round(card_.moved(0, style_.px(3.f)), style_.line(6.f), float(style_.px(10.f)), 0xA0000000,
                 card_.inset(style_.px(6.f) + 1));
    p.fill_round(card_, style_.line(6.f), palette::raised_edge);
    p.fill_round(card_.inset(1), style_.line(5.f), palette::panel);
  }
  const rect& card() const { return card_; }

 protected:
  // Removes the layer once the event that closed it has been handled.
  void close_layer() {
    root_container* r = root();
    if (!r || closing_) return;
    closing_ = true;
    r->pop_modal(*this);
    r->set_focus(nullptr);
    r->defer([r, this] { r->release(*this); });
  }
  bool closing_ = false;
  rect card_;
  const ui_style& style_;
};

rect centred_card(const rect& window, int32_t w, int32_t h) {
  w = std::min(w, window.width() - 8);
  h = std::min(h, window.height() - 8);
  return rect_of(window.x1 + (window.width() - w) / 2, window.y1 + (window.height() - h) / 2, w, h);
}

class message_panel : public modal_layer {
 public:
  message_panel(rect window, const ui_style& st, const std::string& caption, const std::string& text, bool ok_cancel,
                confirm_done done)
      : modal_layer("message box", window, measure_card(window, st, text), st), done_(std::move(done)) {
    const int32_t pad = st.px(12.f), bh = st.px(20.f), bw = st.px(64.f);
    const rect c = card();
    gui::text& title = add<gui::text>("caption", rect{c.x1 + pad, c.y1 + pad, c.x2 - pad, c.y1 + pad + st.header->line_height()},
                                 caption, &st);
    title.set_header(true);
    int32_t y = title.bounds().y2 + st.px(8.f);
    for (const std::string& line : wrap_evenly(*st.label, text, c.width() - 2 * pad)) {
      add<gui::text>("text", rect{c.x1 + pad, y, c.x2 - pad, y + st.label->line_height() + 2}, line, &st);
      y += st.label->line_height() + st.px(3.f);
    }
    const int32_t by = c.y2 - pad - bh;
    button& ok = add<button>("OK", rect_of(c.x2 - pad - bw, by, bw, bh), st, "OK");
    ok.set_colours(mix(palette::accent, palette::raised, 0.35f), palette::accent);
    ok.set_listener(&ok_listener_);
    if (ok_cancel) {
      button& cancel = add<button>("Cancel", rect_of(c.x2 - pad - 2 * bw - st.px(6.f), by, bw, bh), st, "Cancel");
      cancel.set_listener(&cancel_listener_);
    }
  }

  static rect measure_card(rect window, const ui_style& st, const std::string& text) {
    const int32_t w = st.px(300.f);
    const size_t lines = wrap_evenly(*st.label, text, w - 2 * st.px(12.f)).size();
    const int32_t h = st.px(12.f) * 2 + st.header->line_height() + st.px(8.f) +
                      int32_t(lines) * (st.label->line_height() + st.px(3.f)) + st.px(14.f) + st.px(20.f);
    return centred_card(window, w, h);
  }

  bool key_down(event& e, int32_t key) override {
    if (key == k::enter) finish(true);
    if (key == k::escape) finish(false);
    return key == k::enter || key == k::escape;
  }

 private:
  void finish(bool ok) {
    if (closing_) return;
    close_layer();
    if (done_) done_(ok);
  }
  confirm_done done_;
  function_listener ok_listener_{[this](control&) { finish(true); }};
  function_listener cancel_listener_{[this](control&) { finish(false); }};
};

class file_panel : public modal_layer {
 public:
  file_panel(rect window, const ui_style& st, const file_request& req, file_done done)
      : modal_layer("file dialog", window, centred_card(window, st.px(440.f), st.px(300.f)), st), save_(req.save),
        filters_(parse_file_filter(req.filter)), done_(std::move(done)) {
    if (filters_.empty()) filters_.push_back({"All files", {"*"}});
    const rect c = card();
    const int32_t pad = st.px(12.f), gap = st.px(6.f), field = st.px(18.f), bh = st.px(20.f), bw = st.px(64.f);
    text& title = add<text>("title", rect{c.x1 + pad, c.y1 + pad, c.x2 - pad, c.y1 + pad + st.header->line_height()},
                            req.title, &st);
    title.set_header(true);
    int32_t y = title.bounds().y2 + gap;
    // The places stand right of the path field, each as wide as its label.
    int32_t path_right = c.x2 - pad;
    for (size_t i = req.places.size(); i-- > 0;) {
      const file_place& place = req.places[i];
      const int32_t w = measure(*st.label, place.label.c_str()) + 2 * st.px(8.f);
      button& b = add<button>(place.label, rect{path_right - w, y, path_right, y + field}, st, place.label);
      places_.push_back(std::make_unique<function_listener>([this, folder = place.folder](control&) { show_folder(folder); }));
      b.set_listener(places_.back().get());
      path_right -= w + gap;
    }
    path_ = &add<edit>("path", rect{c.x1 + pad, y, path_right, y + field}, st);
    path_->on_commit = [this](edit& e) { go(e.str()); };
    y += field + gap;
    const int32_t bottom = c.y2 - pad - bh - gap - field - gap;
    const int32_t split = c.x1 + pad + (c.width() - 2 * pad) * 2 / 5;
    folders_ = &add<list_box>("folders", rect{c.x1 + pad, y, split - gap / 2, bottom}, st);
    files_ = &add<list_box>("files", rect{split + gap / 2, y, c.x2 - pad, bottom}, st);
    folders_->on_activate = [this](list_box&, int32_t row) { enter(row); };
    files_->on_activate = [this](list_box&, int32_t row) { accept(); };
    files_->set_listener(&file_listener_);
    y = bottom + gap;
    const int32_t filter_w = filters_.size() > 1 ? st.px(130.f) : 0;
    name_ = &add<edit>("name", rect{c.x1 + pad, y, c.x2 - pad - (filter_w ? filter_w + gap : 0), y + field}, st);
    name_->set_max_length(max_file_name_bytes);
    name_->on_enter = [this](edit&) { accept(); };  // one press confirms
    if (filter_w) {
      std::string menu = "[130x14]";  // unscaled, as menu strings are
      for (size_t i = 0; i < filters_.size(); ++i) menu += filters_[i].name + (i + 1 < filters_.size() ? "," : "");
      type_ = &add<dropbox>("type", rect{c.x2 - pad - filter_w, y, c.x2 - pad, y + field}, st, menu);
      type_->set_listener(&type_listener_);
    }
    const int32_t by = c.y2 - pad - bh;
    status_ = &add<text>("status", rect{c.x1 + pad, by, c.x2 - pad - 2 * bw - 2 * gap, by + bh}, "", &st);
    status_->set_colour(palette::led_red);
    button& ok = add<button>("OK", rect_of(c.x2 - pad - bw, by, bw, bh), st, req.save ? "Save" : "Open");
    ok.set_colours(mix(palette::accent, palette::raised, 0.35f), palette::accent);
    ok.set_listener(&ok_listener_);
    button& cancel = add<button>("Cancel", rect_of(c.x2 - pad - 2 * bw - gap, by, bw, bh), st, "Cancel");
    cancel.set_listener(&cancel_listener_);
    start(req.initial);
  }

  bool key_down(event& e, int32_t key) override {
    if (key == k::escape) finish(false, {});
    if (key == k::enter) accept();
    if (key == k::tab) next_focus(e.input.shift);
    return key == k::enter || key == k::escape || key == k::tab;
  }

  const std::string& folder() const { return folder_; }

 private:
  // Tab order: name field, folder list, file list (Shift+Tab backwards). A
  // list taken without a selection selects its first row.
  void next_focus(bool back) {
    root_container* r = root();
    if (!r) return;
    control* order[] = {name_, folders_, files_};
    int at = -1;
    for (int i = 0; i < 3; ++i)
      if (r->focus() == order[i]) at = i;
    const int next = at < 0 ? 0 : (at + (back ? 2 : 1)) % 3;
    r->set_focus(order[next]);
    if (auto* list = dynamic_cast<list_box*>(order[next]); list && list->selected() < 0 && !list->rows().empty())
      list->select(0);
  }

  void start(const std::string& initial) {
    std::error_code ec;
    fs::path p = utf8_path(initial.empty() ? last_folder() : initial);
    if (!initial.empty() && !fs::is_directory(p, ec)) {
      name_->set_text(tidy_file_name(utf8_text(p.filename())));
      p = p.parent_path();
      if (p.empty()) p = utf8_path(last_folder());  // a bare name: where the last dialog was
    }
    if (p.empty() || !fs::is_directory(p, ec)) {
      const char* home = std::getenv("HOME");
      p = home && *home ? utf8_path(home) : fs::current_path(ec);
    }
    show_folder(utf8_text(p));
  }

  void show_folder(const std::string& folder) {
    std::error_code ec;
    fs::path p = fs::absolute(utf8_path(folder), ec).lexically_normal();
    if (!p.has_filename() && p != p.root_path()) p = p.parent_path();  // "data/" shows as "data"
    folder_ = utf8_text(p);
    path_->set_text(folder_);
    std::vector<std::string> dirs, files;
    if (p.has_parent_path() && p.parent_path() != p) dirs.push_back("..");
    const std::vector<std::string>& patterns = filters_[size_t(filter_index_)].patterns;
    for (fs::directory_iterator it(p, fs::directory_options::skip_permission_denied, ec), end; !ec && it != end;
         it.increment(ec)) {
      const std::string n = utf8_text(it->path().filename());
      if (n.empty() || n[0] == '.') continue;  // hidden files stay hidden
      std::error_code e2;
      if (it->is_directory(e2)) {
        dirs.push_back(n);
      } else if (std::any_of(patterns.begin(), patterns.end(), [&](const std::string& pat) { return matches_pattern(n, pat); })) {
        files.push_back(n);
      }
    }
    auto by_name = [](const std::string& a, const std::string& b) { return lower(a) < lower(b); };
    std::sort(dirs.begin() + (dirs.empty() || dirs[0] != ".." ? 0 : 1), dirs.end(), by_name);
    std::sort(files.begin(), files.end(), by_name);
    folders_->set_rows(dirs);
    files_->set_rows(files);
    status_->set_text(ec ? "Cannot read this folder" : "");
  }

  void enter(int32_t row) {
    if (row < 0 || row >= int32_t(folders_->rows().size())) return;
    const std::string& n = folders_->rows()[size_t(row)];
    const fs::path p = utf8_path(folder_);
    show_folder(utf8_text(n == ".." ? p.parent_path() : p / utf8_path(n)));
  }

  // A typed path: a folder is shown; a file in a folder shows the folder and
  // takes the name; anything else clears the listing, so no file of the
  // folder shown before can be taken for one of the typed one.
  void go(const std::string& typed) {
    std::error_code ec;
    const fs::path p = utf8_path(typed);
    if (fs::is_directory(p, ec)) return show_folder(typed);
    if (!p.parent_path().empty() && fs::is_directory(p.parent_path(), ec)) {
      show_folder(utf8_text(p.parent_path()));
      name_->set_text(tidy_file_name(utf8_text(p.filename())));
    } else {
      folders_->set_rows({});
      files_->set_rows({});
      status_->set_text("No such folder");
    }
  }

  void accept() {
    if (closing_) return;
    const std::string name = tidy_file_name(name_->str());
    if (name.empty()) {
      status_->set_text(save_ ? "Type a file name" : "Choose a file");
      return;
    }
    std::error_code ec;
    if (!fs::is_directory(utf8_path(folder_), ec)) {
      status_->set_text("No such folder");
      return;
    }
    const fs::path p = utf8_path(name).is_absolute() ? utf8_path(name) : utf8_path(folder_) / utf8_path(name);
    if (fs::is_directory(p, ec)) {
      name_->set_text("");
      return show_folder(utf8_text(p));
    }
    if (!save_ && !fs::exists(p, ec)) {
      status_->set_text("File not found");
      return;
    }
    if (save_ && fs::exists(p, ec)) {
      root_container* r = root();
      const std::string path = utf8_text(p);
      show_message(*r, style_, "Replace", utf8_text(p.filename()) + " already exists.\nDo you want to replace it?", true,
                   [this, path](bool ok) {
                     if (ok) finish(true, path);
                   });
      return;
    }
    finish(true, utf8_text(p));
  }

  void finish(bool chosen, const std::string& path) {
    if (closing_) return;
    last_folder() = folder_;
    close_layer();
    if (done_) done_(chosen, path);
  }

  bool save_;
  std::vector<file_filter> filters_;
  int32_t filter_index_ = 0;
  file_done done_;
  std::string folder_;
  edit* path_ = nullptr;
  edit* name_ = nullptr;
  list_box* folders_ = nullptr;
  list_box* files_ = nullptr;
  dropbox* type_ = nullptr;
  text* status_ = nullptr;
  std::vector<std::unique_ptr<function_listener>> places_;
  function_listener ok_listener_{[this](control&) { accept(); }};
  function_listener cancel_listener_{[this](control&) { finish(false, {}); }};
  function_listener file_listener_{[this](control& c) {
    const int32_t row = files_->selected();
    if (row >= 0) name_->set_text(files_->rows()[size_t(row)]);
  }};
  function_listener type_listener_{[this](control& c) {
    filter_index_ = std::clamp(int32_t(c.value()), 0, int32_t(filters_.size()) - 1);
    show_folder(folder_);
  }};
};

}  // namespace

std::string tidy_file_name(const std::string& name) {
  std::string s = platform::cut_utf8(name, max_file_name_bytes);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.pop_back();
  return s;
}

std::vector<file_filter> parse_file_filter(const std::string& filter) {
  std::vector<std::string> parts;
  size_t start = 0;
  while (start < filter.size()) {
    const size_t tab = filter.find('\t', start);
    parts.push_back(filter.substr(start, tab == std::string::npos ? std::string::npos : tab - start));
    if (tab == std::string::npos) break;
    start = tab + 1;
  }
  std::vector<file_filter> out;
  for (size_t i = 0; i + 1 < parts.size(); i += 2) {
    file_filter f{parts[i], {}};
    size_t s = 0;
    const std::string& list = parts[i + 1];
    while (s <= list.size()) {
      const size_t semi = list.find(';', s);
      const std::string pat = list.substr(s, semi == std::string::npos ? std::string::npos : semi - s);
      if (!pat.empty()) f.patterns.push_back(pat);
      if (semi == std::string::npos) break;
      s = semi + 1;
    }
    if (!f.patterns.empty()) out.push_back(std::move(f));
  }
  return out;
}

bool matches_pattern(const std::string& name, const std::string& pattern) {
  // Iterative wildcard match with one backtrack point for the last "*".
  size_t n = 0, p = 0, star = std::string::npos, mark = 0;
  while (n < name.size()) {
    if (p < pattern.size() && (pattern[p] == '?' || std::tolower(static_cast<unsigned char>(pattern[p])) ==
                                                         std::tolower(static_cast<unsigned char>(name[n])))) {
      ++n, ++p;
    } else if (p < pattern.size() && pattern[p] == '*') {
      star = p++;
      mark = n;
    } else if (star != std::string::npos) {
      p = star + 1;
      n = ++mark;
    } else {
      return false;
    }
  }
  while (p < pattern.size() && pattern[p] == '*') ++p;
  return p == pattern.size();
}

void ask_file(root_container& root, const ui_style& style, const file_request& request, file_done done) {
  wnd::window* w = root.window();
  if (w && w->owner && w->owner->native_dialogs()) {
    std::vector<char> path(native_path_capacity, 0);
    request.initial.copy(path.data(), path.size() - 1);
    const bool ok = w->owner->file_dialog(w, request.save, request.title.c_str(), request.filter.c_str(), path.data(), path.size());
    if (done) done(ok, ok ? std::string(path.data()) : std::string());
    return;
  }
  file_panel& p = root.add<file_panel>(root.bounds(), style, request, std::move(done));
  root.push_modal(p);
}

void show_message(root_container& root, const ui_style& style, const std::string& caption, const std::string& text,
                  bool ok_cancel, confirm_done done) {
  wnd::window* w = root.window();
  if (w && w->owner && w->owner->native_dialogs()) {
    const bool ok = w->owner->message_box(w, caption.c_str(), text.c_str(), ok_cancel);
    if (done) done(ok_cancel ? ok : true);
    return;
  }
  message_panel& p = root.add<message_panel>(root.bounds(), style, caption, text, ok_cancel, std::move(done));
  root.push_modal(p);
}

}  // namespace gui
