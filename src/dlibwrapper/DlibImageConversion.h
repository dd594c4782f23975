// Filling dlib images from the library's frames and still images.
#pragma once

#include <dlib/array2d.h>
#include <dlib/pixel.h>
#include <kylivingdetection/KyImage.h>
#include <kylivingdetection/KySampleBuffer.h>

// True when the frame's pixel bytes really hold height rows of bytesPerRow >= 4 * width.
bool isReadableFrame(const KySampleBuffer& frame);
bool isReadableImage(const KyImage& image);

// Copies a BGRA frame into `out` (height rows x width columns), row by row at the frame's
// bytes per row. False, with `out` cleared, for a frame that is not readable.
bool copyFrameToDlibImage(const KySampleBuffer& frame, dlib::array2d<dlib::bgr_pixel>& out);

// Fills `out` from a still image. Grey images give equal blue, green and red; images with
// alpha are premultiplied when `premultipliedAlpha` is set, their alpha ignored otherwise.
// An unreadable image leaves `out` empty.
void UIImageToDlibImage(const KyImage& image, dlib::array2d<dlib::bgr_pixel>& out, bool premultipliedAlpha);
