// The detection screen in a real SDL2 window on an X server of its own (Xvfb): it opens,
// shows the same picture as the headless drawing, takes a tap, and closes cleanly.
#include <gtest/gtest.h>

#include <SDL2/SDL.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <string>

#include "KyDetectionScreenStage.h"
#include "ScreenTestSupport.h"
#include "platform/ui/KyRenderer.h"
#include "platform/ui/KyScreen.h"
#include "platform/ui/KySDLWindowHost.h"

extern char** environ;

// Present in sanitizer builds only.
extern "C" void __lsan_disable() __attribute__((weak));
extern "C" void __lsan_enable() __attribute__((weak));

namespace {

// An Xvfb server on the first free display, stopped when this goes away.
class XvfbServer {
 public:
  XvfbServer() {
    int fds[2];
    if (pipe(fds) != 0) return;
    const std::string fd = std::to_string(fds[1]);
    const char* argv[] = {"Xvfb", "-displayfd", fd.c_str(), "-screen", "0", "480x900x24", "-nolisten", "tcp", nullptr};
    if (posix_spawnp(&pid_, "Xvfb", nullptr, nullptr, const_cast<char* const*>(argv), environ) != 0) pid_ = -1;
    close(fds[1]);
    // Xvfb writes the display number and a line break once it accepts clients.
    char c;
    while (pid_ > 0 && read(fds[0], &c, 1) == 1 && c != '\n') number_ += c;
    close(fds[0]);
  }
  ~XvfbServer() {
    if (pid_ <= 0) return;
    kill(pid_, SIGTERM);
    waitpid(pid_, nullptr, 0);
  }
  bool running() const { return pid_ > 0 && !number_.empty(); }
  std::string display() const { return ":" + number_; }

 private:
  pid_t pid_ = -1;
  std::string number_;
};

// The X11 client libraries that SDL loads keep allocations past SDL_Quit and are unloaded
// by then, so the leak checker cannot even name them: allocations made while the window
// exists are left out of leak checking.
class IgnoreDisplayLibraryLeaks {
 public:
  IgnoreDisplayLibraryLeaks() {
    if (__lsan_disable) __lsan_disable();
  }
  ~IgnoreDisplayLibraryLeaks() {
    if (__lsan_enable) __lsan_enable();
  }
};

bool xvfbInstalled() { return std::system("command -v Xvfb >/dev/null 2>&1") == 0; }

double differingShare(const KyUIImage& a, const KyUIImage& b) {
  const int w = static_cast<int>(a.size().width), h = static_cast<int>(a.size().height);
  size_t differing = 0;
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) {
      const Rgba8 p = pixelAt(a, x, y), q = pixelAt(b, x, y);
      if (std::abs(p.r - q.r) > 8 || std::abs(p.g - q.g) > 8 || std::abs(p.b - q.b) > 8) ++differing;
    }
  }
  return static_cast<double>(differing) / (w * h);
}

void pushEvent(SDL_Event event) { ASSERT_EQ(SDL_PushEvent(&event), 1) << SDL_GetError(); }

TEST(RealWindow, OpensRendersTakesATapAndClosesCleanly) {
  if (!xvfbInstalled()) GTEST_SKIP() << "Xvfb is not installed (scripts/install-deps.sh installs it)";
  XvfbServer server;
  ASSERT_TRUE(server.running());
  setenv("DISPLAY", server.display().c_str(), 1);
  setenv("SDL_VIDEODRIVER", "x11", 1);
  KyScreen::mainScreen().setBrightness(1);

  std::shared_ptr<KyDetectionScreenStage> stage;
  bool exited = false;
  stage = KyDetectionScreenStage::make(2, 6235, {[&] {
    exited = true;
    stage->controller()->dismissViewControllerAnimated(false);
  }, nullptr});
  {
    IgnoreDisplayLibraryLeaks ignore;
    KySDLWindowHost host(stage->window(), "KyLivingDetection");
    ASSERT_TRUE(host.isOpen());
    ASSERT_TRUE(host.renderFrame());
    auto shown = host.readBack();
    auto headless = KyRenderer::snapshot(*stage->window()->layer());
    ASSERT_EQ(shown->size(), headless->size());
    EXPECT_LT(differingShare(*shown, *headless), 0.001);

    // A click on the exit button goes through the window to the screen's handler.
    SDL_Event click{};
    click.type = SDL_MOUSEBUTTONUP;
    click.button.button = SDL_BUTTON_LEFT;
    click.button.x = 50;
    click.button.y = 64;
    pushEvent(click);
    ASSERT_TRUE(host.renderFrame());
    EXPECT_TRUE(exited);
    drainUI();

    // Dimmed brightness darkens the window; the frame loop stops when the window is closed.
    KyScreen::mainScreen().setBrightness(0.25);
    host.start(60);
    KyMainLoop::shared().addTimer(std::chrono::milliseconds(50), false, [] {
      SDL_Event quit{};
      quit.type = SDL_QUIT;
      SDL_PushEvent(&quit);
    });
    auto guard = KyMainLoop::shared().addTimer(std::chrono::seconds(20), false, [] { KyMainLoop::shared().quit(); });
    KyMainLoop::shared().run();
    guard->invalidate();
    EXPECT_GE(host.framesDrawn(), 3u);  // at least one from the frame loop
    EXPECT_FALSE(host.renderFrame());
    const Rgba8 corner = pixelAt(*host.readBack(), 300, 700);  // the plain white screen under it, dimmed
    EXPECT_LT(corner.r, 128);
    EXPECT_GT(corner.r, 40);
  }
  EXPECT_EQ(SDL_WasInit(SDL_INIT_VIDEO), 0u);
  KyScreen::mainScreen().setBrightness(0.5);
}

}  // namespace
