// vorn-gui-demo: the toolkit without a host. Opens the widget gallery in an
// X11 window, or draws it off-screen and writes a screenshot.
//
//   vorn-gui-demo [--scale S]                        an X11 window (needs $DISPLAY)
//   vorn-gui-demo --headless --shot F.png [--scale S] [--open MENU[/ITEM/...]] [--dialog open|save|message]
//
// --open shows a menu of the gallery opened (and the named submenus along
// ITEM/...), --dialog one of the dialogs, in the screenshot.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "guilib/archive/gui_archive.h"
#include "guilib/menu/menu_session.h"
#include "guilib/platform/headless/headless.h"
#include "tools/gui-demo/gallery.h"
#include "tools/gui-demo/run_window.h"

namespace {

struct options {
  bool headless = false;
  std::string shot;
  float scale = 1.f;
  std::string open;
  std::string dialog;
};

bool parse(int argc, char** argv, options& o) {
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    const bool has_value = i + 1 < argc;
    if (a == "--headless") {
      o.headless = true;
    } else if (a == "--shot" && has_value) {
      o.shot = argv[++i];
    } else if (a == "--scale" && has_value) {
      o.scale = float(std::atof(argv[++i]));
    } else if (a == "--open" && has_value) {
      o.open = argv[++i];
    } else if (a == "--dialog" && has_value) {
      o.dialog = argv[++i];
    } else {
      return false;
    }
  }
  return o.scale >= 0.25f && o.scale <= 4.f && (!o.headless || !o.shot.empty());
}

std::vector<std::string> split(const std::string& s, char sep) {
  std::vector<std::string> out(1);
  for (char c : s) {
    if (c == sep) {
      out.emplace_back();
    } else {
      out.back() += c;
    }
  }
  return out;
}

// Opens a gallery menu and walks into its submenus by item text, pointing at
// each as a user would.
bool open_menu(wnd::headless& be, wnd::window& w, demo::gallery& g, const std::string& menu_path) {
  const std::vector<std::string> path = split(menu_path, '/');
  for (gui::dropbox* d : g.menus) {
    if (d->name() != path[0] && !(path[0] == "Every menu" && d == g.menus[0])) continue;
    gui::dropbox* owner = path[0] == "Every menu" ? g.all_menus : d;
    owner->open_menu({});
    gui::menu_session* s = owner->session();
    for (size_t k = 1; s && k < path.size(); ++k) {
      gui::menu_panel& panel = *s->panels().back();
      bool found = false;
      for (size_t i = 0; i < panel.level().items.size() && !found; ++i) {
        const gui::menu_item& it = panel.level().items[i];
        if (!it.shown || it.text != path[k]) continue;
        const gui::point c = panel.item_rect(i).centre();
        be.mouse_move(w, c.x, c.y);
        found = true;
      }
      if (!found) return false;
    }
    return true;
  }
  return false;
}

int headless_shot(const options& o) {
  const int32_t w = int32_t(float(demo::base_width) * o.scale), h = int32_t(float(demo::base_height) * o.scale);
  wnd::headless be;
  wnd::window win;
  be.create(win, {0, 0, 0, w, h});
  {
    demo::gallery g;
    gui::root_container root({0, 0, w, h});
    root.attach(win);
    demo::build_gallery(root, gui::style_for_scale(o.scale), g);
    if (!o.open.empty() && !open_menu(be, win, g, o.open)) {
      std::fprintf(stderr, "vorn-gui-demo: no menu \"%s\" in the gallery\n", o.open.c_str());
      return 1;
    }
    if (o.dialog == "open") g.open_button->notify(true);
    if (o.dialog == "save") g.save_button->notify(true);
    if (o.dialog == "message") g.confirm_button->notify(true);
    root.run_deferred();
    be.pump();
    if (!wnd::save_screenshot(win.surface.pixels, o.shot)) {
      std::fprintf(stderr, "vorn-gui-demo: cannot write %s\n", o.shot.c_str());
      return 1;
    }
  }
  be.destroy(win);
  std::printf("vorn-gui-demo: gallery (%d x %d, scale %.2f) in %s\n", w, h, double(o.scale), o.shot.c_str());
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  options o;
  if (!parse(argc, argv, o)) {
    std::fprintf(stderr,
                 "usage: vorn-gui-demo [--scale S]\n"
                 "       vorn-gui-demo --headless --shot F.png [--scale S] [--open MENU[/ITEM...]] "
                 "[--dialog open|save|message]\n");
    return 2;
  }
  gui::mount_builtin();
  if (o.headless) return headless_shot(o);
  return demo::run_window(o.scale);
}
