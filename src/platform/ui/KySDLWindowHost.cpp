#include "platform/ui/KySDLWindowHost.h"

#include <SDL2/SDL.h>
#include <cairo.h>

#include "platform/ui/KyRenderer.h"
#include "platform/ui/KyScreen.h"
#include "utils/LDTLog.h"

KySDLWindowHost::KySDLWindowHost(std::shared_ptr<KyWindow> window, const std::string& title)
    : window_(std::move(window)) {
  if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) {
    LDT_LOGE("no display for the window: %s", SDL_GetError());
    return;
  }
  const KyRect f = window_->frame();
  sdlWindow_ = SDL_CreateWindow(title.c_str(), SDL_WINDOWPOS_UNDEFINED, SDL_WINDOWPOS_UNDEFINED,
                                static_cast<int>(f.width), static_cast<int>(f.height), SDL_WINDOW_SHOWN);
  if (sdlWindow_) renderer_ = SDL_CreateRenderer(sdlWindow_, -1, SDL_RENDERER_SOFTWARE);
  if (renderer_) {
    texture_ = SDL_CreateTexture(renderer_, SDL_PIXELFORMAT_ARGB8888, SDL_TEXTUREACCESS_STREAMING,
                                 static_cast<int>(f.width), static_cast<int>(f.height));
  }
  if (!texture_) {
    LDT_LOGE("cannot open the window: %s", SDL_GetError());
    if (renderer_) SDL_DestroyRenderer(renderer_);
    if (sdlWindow_) SDL_DestroyWindow(sdlWindow_);
    renderer_ = nullptr;
    sdlWindow_ = nullptr;
    SDL_QuitSubSystem(SDL_INIT_VIDEO);
  }
}

KySDLWindowHost::~KySDLWindowHost() {
  stop();
  if (!sdlWindow_) return;
  SDL_DestroyTexture(texture_);
  SDL_DestroyRenderer(renderer_);
  SDL_DestroyWindow(sdlWindow_);
  SDL_QuitSubSystem(SDL_INIT_VIDEO);
  SDL_Quit();
}

bool KySDLWindowHost::pumpEvents() {
  SDL_Event event;
  while (SDL_PollEvent(&event)) {
    if (event.type == SDL_QUIT ||
        (event.type == SDL_WINDOWEVENT && event.window.event == SDL_WINDOWEVENT_CLOSE)) {
      closeRequested_ = true;
    } else if (event.type == SDL_MOUSEBUTTONUP && event.button.button == SDL_BUTTON_LEFT) {
      window_->sendTap({static_cast<double>(event.button.x), static_cast<double>(event.button.y)});
    }
  }
  return !closeRequested_;
}

bool KySDLWindowHost::renderFrame() {
  if (!isOpen() || !pumpEvents()) return false;
  const KyRect f = window_->frame();
  void* pixels = nullptr;
  int pitch = 0;
  if (SDL_LockTexture(texture_, nullptr, &pixels, &pitch) != 0) return true;
  cairo_surface_t* surface = cairo_image_surface_create_for_data(
      static_cast<unsigned char*>(pixels), CAIRO_FORMAT_ARGB32, static_cast<int>(f.width), static_cast<int>(f.height), pitch);
  cairo_t* cr = cairo_create(surface);
  cairo_set_operator(cr, CAIRO_OPERATOR_SOURCE);
  cairo_set_source_rgb(cr, 0, 0, 0);
  cairo_paint(cr);
  cairo_set_operator(cr, CAIRO_OPERATOR_OVER);
  cairo_translate(cr, -f.x, -f.y);
  KyRenderer::drawLayer(cr, *window_->layer(), std::chrono::steady_clock::now());
  cairo_identity_matrix(cr);
  KyRenderer::drawBrightness(cr, f.size(), KyScreen::mainScreen().brightness());
  cairo_destroy(cr);
  cairo_surface_destroy(surface);
  SDL_UnlockTexture(texture_);
  SDL_RenderClear(renderer_);
  SDL_RenderCopy(renderer_, texture_, nullptr, nullptr);
  SDL_RenderPresent(renderer_);
  ++framesDrawn_;
  return true;
}

void KySDLWindowHost::start(double framesPerSecond) {
  if (!isOpen() || frameTimer_) return;
  const auto interval = std::chrono::duration_cast<KyMainLoop::Clock::duration>(
      std::chrono::duration<double>(1.0 / framesPerSecond));
  frameTimer_ = KyMainLoop::shared().addTimer(interval, true, [this] {
    if (!renderFrame()) {
      stop();
      KyMainLoop::shared().quit();
    }
  });
}

void KySDLWindowHost::stop() {
  if (frameTimer_) frameTimer_->invalidate();
  frameTimer_.reset();
}

std::shared_ptr<KyUIImage> KySDLWindowHost::readBack() const {
  if (!isOpen()) return nullptr;
  int w = 0, h = 0;
  SDL_GetRendererOutputSize(renderer_, &w, &h);
  cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_RGB24, w, h);
  cairo_surface_flush(surface);
  SDL_RenderReadPixels(renderer_, nullptr, SDL_PIXELFORMAT_ARGB8888, cairo_image_surface_get_data(surface),
                       cairo_image_surface_get_stride(surface));
  cairo_surface_mark_dirty(surface);
  return std::make_shared<KyUIImage>(surface);
}
