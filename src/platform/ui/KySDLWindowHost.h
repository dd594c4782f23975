// Shows a window's view tree in a real desktop window (SDL2), redrawn on the UI thread at
// a steady frame rate; mouse clicks become taps, closing the desktop window quits the loop.
#pragma once

#include <memory>
#include <string>

#include "platform/ui/KyMainLoop.h"
#include "platform/ui/KyWindow.h"

struct SDL_Window;
struct SDL_Renderer;
struct SDL_Texture;

class KySDLWindowHost {
 public:
  // Opens the desktop window for `window` (a window-sized area at the main screen's size).
  // Check isOpen(): without a display it stays closed and logs why.
  KySDLWindowHost(std::shared_ptr<KyWindow> window, const std::string& title);
  ~KySDLWindowHost();
  KySDLWindowHost(const KySDLWindowHost&) = delete;
  KySDLWindowHost& operator=(const KySDLWindowHost&) = delete;

  bool isOpen() const { return sdlWindow_ != nullptr; }
  // Handles pending desktop events and draws one frame now; answers false once the desktop
  // window has been asked to close.
  bool renderFrame();
  // Draws frames on the main loop until the desktop window is closed or stop() is called.
  void start(double framesPerSecond = 30);
  void stop();
  size_t framesDrawn() const { return framesDrawn_; }
  // The pixels last shown, read back from the desktop window (premultiplied ARGB).
  std::shared_ptr<KyUIImage> readBack() const;

 private:
  bool pumpEvents();

  std::shared_ptr<KyWindow> window_;
  SDL_Window* sdlWindow_ = nullptr;
  SDL_Renderer* renderer_ = nullptr;
  SDL_Texture* texture_ = nullptr;
  std::shared_ptr<KyTimer> frameTimer_;
  size_t framesDrawn_ = 0;
  bool closeRequested_ = false;
};
