// kyld-icongen: draws the images of the resource bundle "KyLivingIcon" with Cairo.
//   kyld-icongen OUTPUT_DIR
// writes OUTPUT_DIR/<name>.png for every image the detection screen loads.
#include <cairo.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <string>

namespace {

struct Rgba {
  double r, g, b, a;
};

void setColor(cairo_t* cr, Rgba c) { cairo_set_source_rgba(cr, c.r, c.g, c.b, c.a); }

constexpr Rgba kWaitGrey{0.62, 0.62, 0.62, 1};
constexpr Rgba kProcessBlue{0.09, 0.51, 0.71, 1};
constexpr Rgba kCompleteGreen{0.18, 0.72, 0.33, 1};
constexpr Rgba kWhite{1, 1, 1, 1};

// A 40 x 40 state icon: a disc in the state's colour with a mark inside.
void drawStateIcon(cairo_t* cr, Rgba disc, int mark) {
  cairo_arc(cr, 20, 20, 18, 0, 2 * M_PI);
  setColor(cr, disc);
  cairo_fill(cr);
  setColor(cr, kWhite);
  cairo_set_line_width(cr, 4);
  cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
  cairo_set_line_join(cr, CAIRO_LINE_JOIN_ROUND);
  if (mark == 0) {  // waiting: clock hands
    cairo_move_to(cr, 20, 10);
    cairo_line_to(cr, 20, 20);
    cairo_line_to(cr, 27, 24);
    cairo_stroke(cr);
  } else if (mark == 1) {  // in progress: a play triangle
    cairo_move_to(cr, 15, 11);
    cairo_line_to(cr, 29, 20);
    cairo_line_to(cr, 15, 29);
    cairo_close_path(cr);
    cairo_fill(cr);
  } else {  // complete: a tick
    cairo_move_to(cr, 11, 21);
    cairo_line_to(cr, 18, 28);
    cairo_line_to(cr, 30, 13);
    cairo_stroke(cr);
  }
}

// The face-outline guide, 500 x 500: head and shoulders in a light dashed line.
void drawPeople(cairo_t* cr) {
  const double dash[] = {18, 10};
  cairo_set_dash(cr, dash, 2, 0);
  cairo_set_line_width(cr, 8);
  cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
  setColor(cr, {1, 1, 1, 0.85});
  cairo_save(cr);
  cairo_translate(cr, 250, 215);
  cairo_scale(cr, 120, 155);
  cairo_arc(cr, 0, 0, 1, 0, 2 * M_PI);
  cairo_restore(cr);
  cairo_stroke(cr);
  cairo_move_to(cr, 95, 500);
  cairo_curve_to(cr, 110, 420, 170, 390, 200, 375);
  cairo_move_to(cr, 405, 500);
  cairo_curve_to(cr, 390, 420, 330, 390, 300, 375);
  cairo_stroke(cr);
}

// The waiting spinner, 500 x 500: twelve bars fading round the centre.
void drawProgress(cairo_t* cr) {
  cairo_set_line_width(cr, 22);
  cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
  for (int i = 0; i < 12; ++i) {
    const double angle = i * M_PI / 6;
    setColor(cr, {1, 1, 1, 0.15 + 0.85 * i / 11.0});
    cairo_move_to(cr, 250 + 55 * std::cos(angle), 250 + 55 * std::sin(angle));
    cairo_line_to(cr, 250 + 95 * std::cos(angle), 250 + 95 * std::sin(angle));
    cairo_stroke(cr);
  }
}

// The exit icon, 48 x 48: a left chevron.
void drawExit(cairo_t* cr) {
  setColor(cr, {0.12, 0.56, 1, 1});
  cairo_set_line_width(cr, 5);
  cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
  cairo_set_line_join(cr, CAIRO_LINE_JOIN_ROUND);
  cairo_move_to(cr, 30, 8);
  cairo_line_to(cr, 14, 24);
  cairo_line_to(cr, 30, 40);
  cairo_stroke(cr);
}

bool writeIcon(const std::filesystem::path& dir, const char* name, int size, void (*draw)(cairo_t*, int), int arg) {
  cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, size, size);
  cairo_t* cr = cairo_create(surface);
  draw(cr, arg);
  cairo_destroy(cr);
  const std::string path = (dir / (std::string(name) + ".png")).string();
  const bool ok = cairo_surface_write_to_png(surface, path.c_str()) == CAIRO_STATUS_SUCCESS;
  cairo_surface_destroy(surface);
  if (!ok) std::fprintf(stderr, "kyld-icongen: cannot write %s\n", path.c_str());
  return ok;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fputs("usage: kyld-icongen OUTPUT_DIR\n", stderr);
    return 2;
  }
  const std::filesystem::path dir = argv[1];
  std::error_code error;
  std::filesystem::create_directories(dir, error);
  auto state = [](cairo_t* cr, int mark) {
    const Rgba discs[] = {kWaitGrey, kProcessBlue, kCompleteGreen};
    drawStateIcon(cr, discs[mark], mark);
  };
  bool ok = writeIcon(dir, "living_promt_icon_wait", 40, state, 0);
  ok = writeIcon(dir, "living_promt_icon_process", 40, state, 1) && ok;
  ok = writeIcon(dir, "living_promt_icon_complete", 40, state, 2) && ok;
  ok = writeIcon(dir, "people", 500, [](cairo_t* cr, int) { drawPeople(cr); }, 0) && ok;
  ok = writeIcon(dir, "progress", 500, [](cairo_t* cr, int) { drawProgress(cr); }, 0) && ok;
  ok = writeIcon(dir, "living_icon_exit", 48, [](cairo_t* cr, int) { drawExit(cr); }, 0) && ok;
  return ok ? 0 : 1;
}
