// Owning pointers for the FFmpeg objects used by the camera and movie layers, and error text.
#pragma once

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/error.h>
#include <libavutil/frame.h>
#include <libavutil/log.h>
#include <libswscale/swscale.h>
}

#include <memory>
#include <mutex>
#include <string>

struct KyAVInputDeleter {
  void operator()(AVFormatContext* context) const { avformat_close_input(&context); }
};
struct KyAVCodecDeleter {
  void operator()(AVCodecContext* context) const { avcodec_free_context(&context); }
};
struct KyAVFrameDeleter {
  void operator()(AVFrame* frame) const { av_frame_free(&frame); }
};
struct KyAVPacketDeleter {
  void operator()(AVPacket* packet) const { av_packet_free(&packet); }
};
struct KySwsDeleter {
  void operator()(SwsContext* context) const { sws_freeContext(context); }
};

using KyAVInputPtr = std::unique_ptr<AVFormatContext, KyAVInputDeleter>;
using KyAVCodecPtr = std::unique_ptr<AVCodecContext, KyAVCodecDeleter>;
using KyAVFramePtr = std::unique_ptr<AVFrame, KyAVFrameDeleter>;
using KyAVPacketPtr = std::unique_ptr<AVPacket, KyAVPacketDeleter>;
using KySwsPtr = std::unique_ptr<SwsContext, KySwsDeleter>;

inline std::string kyAVErrorText(int code) {
  char text[AV_ERROR_MAX_STRING_SIZE] = {};
  av_strerror(code, text, sizeof text);
  return text;
}

// FFmpeg writes its own progress and statistics lines to stderr; only its errors are of use beside
// the library's log lines.
inline void kyQuietLibavLogs() {
  static std::once_flag once;
  std::call_once(once, [] { av_log_set_level(AV_LOG_ERROR); });
}
