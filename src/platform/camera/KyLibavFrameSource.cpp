#include "platform/camera/KyLibavFrameSource.h"

extern "C" {
#include <libavdevice/avdevice.h>
}

#include <mutex>

namespace {

int64_t wallClockMilliseconds() {
  return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::system_clock::now().time_since_epoch())
      .count();
}

void registerDevicesOnce() {
  static std::once_flag once;
  std::call_once(once, [] { avdevice_register_all(); });
}

}  // namespace

std::shared_ptr<KyLibavFrameSource> KyLibavFrameSource::videoFile(std::string path, KyCaptureOptions options) {
  return std::shared_ptr<KyLibavFrameSource>(new KyLibavFrameSource(Kind::File, std::move(path), options));
}

std::shared_ptr<KyLibavFrameSource> KyLibavFrameSource::cameraDevice(std::string devicePath,
                                                                     KyCaptureOptions options) {
  return std::shared_ptr<KyLibavFrameSource>(new KyLibavFrameSource(Kind::Camera, std::move(devicePath), options));
}

KyLibavFrameSource::KyLibavFrameSource(Kind kind, std::string path, KyCaptureOptions options)
    : kind_(kind), path_(std::move(path)), options_(options), converter_(options) {}

std::string KyLibavFrameSource::describe() const {
  return (kind_ == Kind::File ? "video file " : "camera ") + path_;
}

int KyLibavFrameSource::interruptCallback(void* self) {
  return static_cast<KyLibavFrameSource*>(self)->interrupted_.load() ? 1 : 0;
}

int KyLibavFrameSource::openInput(bool askForPreferredFormat) {
  kyQuietLibavLogs();
  AVFormatContext* context = avformat_alloc_context();
  if (!context) return AVERROR(ENOMEM);
  context->interrupt_callback = {&KyLibavFrameSource::interruptCallback, this};
  const AVInputFormat* format = nullptr;
  AVDictionary* settings = nullptr;
  if (kind_ == Kind::Camera) {
    registerDevicesOnce();
    format = av_find_input_format("video4linux2");
    if (askForPreferredFormat) {
      av_dict_set(&settings, "video_size", "640x480", 0);
      av_dict_set(&settings, "framerate", "30", 0);
    }
  }
  const int result = avformat_open_input(&context, path_.c_str(), format, &settings);
  av_dict_free(&settings);
  if (result < 0) return result;  // the context is freed on failure
  input_.reset(context);
  return 0;
}

bool KyLibavFrameSource::openDecoder(std::string& error) {
  if (avformat_find_stream_info(input_.get(), nullptr) < 0) {
    error = describe() + ": no stream information";
    return false;
  }
  const AVCodec* decoder = nullptr;
  streamIndex_ = av_find_best_stream(input_.get(), AVMEDIA_TYPE_VIDEO, -1, -1, &decoder, 0);
  if (streamIndex_ < 0 || !decoder) {
    error = describe() + ": no video stream";
    return false;
  }
  const AVStream* stream = input_->streams[streamIndex_];
  codec_.reset(avcodec_alloc_context3(decoder));
  if (!codec_ || avcodec_parameters_to_context(codec_.get(), stream->codecpar) < 0) {
    error = describe() + ": cannot set up the decoder";
    return false;
  }
  codec_->thread_count = 1;  // one picture at a time keeps latency and CPU share predictable
  if (avcodec_open2(codec_.get(), decoder, nullptr) < 0) {
    error = describe() + ": cannot open the decoder";
    return false;
  }
  const AVRational rate = stream->avg_frame_rate.num > 0 ? stream->avg_frame_rate : stream->r_frame_rate;
  frameRate_ = rate.den > 0 ? av_q2d(rate) : 0;
  return true;
}

bool KyLibavFrameSource::open(std::string& error) {
  interrupted_ = false;
  input_.reset();
  codec_.reset();
  draining_ = false;
  picturesDecoded_ = 0;
  firstPictureSeconds_.reset();
  int result = openInput(true);
  if (result < 0 && kind_ == Kind::Camera && result != AVERROR(EACCES) && result != AVERROR(ENOENT)) {
    result = openInput(false);  // the device refused 640 x 480 at 30: take what it offers
  }
  if (result < 0) {
    error = describe() + ": " + kyAVErrorText(result);
    return false;
  }
  if (!openDecoder(error)) return false;
  picture_.reset(av_frame_alloc());
  packet_.reset(av_packet_alloc());
  if (!picture_ || !packet_) {
    error = describe() + ": out of memory";
    return false;
  }
  startedAt_ = std::chrono::steady_clock::now();
  return true;
}

KyFrameRead::Status KyLibavFrameSource::decodeNext(std::string& error) {
  for (;;) {
    if (interrupted_) return KyFrameRead::Status::Stopped;
    av_frame_unref(picture_.get());
    int result = avcodec_receive_frame(codec_.get(), picture_.get());
    if (result == 0) return KyFrameRead::Status::Frame;
    if (result == AVERROR_EOF) return KyFrameRead::Status::End;
    if (result != AVERROR(EAGAIN)) {
      error = describe() + ": decoding failed: " + kyAVErrorText(result);
      return KyFrameRead::Status::Failed;
    }
    result = av_read_frame(input_.get(), packet_.get());
    if (result == AVERROR_EXIT || interrupted_) return KyFrameRead::Status::Stopped;
    if (result == AVERROR_EOF) {
      if (!draining_) avcodec_send_packet(codec_.get(), nullptr);  // hand out the pictures held back
      draining_ = true;
      continue;
    }
    if (result < 0) {
      error = describe() + ": reading failed: " + kyAVErrorText(result);
      return KyFrameRead::Status::Failed;
    }
    if (packet_->stream_index == streamIndex_) {
      avcodec_send_packet(codec_.get(), packet_.get());  // a damaged packet is skipped; the next one may decode
    }
    av_packet_unref(packet_.get());
  }
}

bool KyLibavFrameSource::waitUntilDue() {
  const AVStream* stream = input_->streams[streamIndex_];
  const int64_t pts = picture_->best_effort_timestamp;
  double seconds = 0;
  if (pts != AV_NOPTS_VALUE) {
    seconds = static_cast<double>(pts) * av_q2d(stream->time_base);
  } else if (frameRate_ > 0) {
    seconds = static_cast<double>(picturesDecoded_) / frameRate_;
  }
  if (!firstPictureSeconds_) {
    firstPictureSeconds_ = seconds;
    startedAt_ = std::chrono::steady_clock::now();
  }
  const auto due = startedAt_ + std::chrono::duration_cast<std::chrono::steady_clock::duration>(
                                    std::chrono::duration<double>(seconds - *firstPictureSeconds_));
  std::unique_lock lock(waitMutex_);
  return !interruptedSignal_.wait_until(lock, due, [this] { return interrupted_.load(); });
}

KyFrameRead KyLibavFrameSource::read() {
  if (!codec_) return KyFrameRead::ofStatus(KyFrameRead::Status::Failed, describe() + ": not open");
  for (;;) {
    std::string error;
    const KyFrameRead::Status status = decodeNext(error);
    if (status != KyFrameRead::Status::Frame) return KyFrameRead::ofStatus(status, error);
    if (kind_ == Kind::File && options_.paced && !waitUntilDue()) {
      return KyFrameRead::ofStatus(KyFrameRead::Status::Stopped);
    }
    ++picturesDecoded_;
    KySampleBuffer frame = converter_.convert(picture_.get(), wallClockMilliseconds());
    if (!frame.empty()) return KyFrameRead::ofFrame(std::move(frame));
    // A picture the scaler cannot take is skipped, like a damaged packet.
  }
}

void KyLibavFrameSource::interrupt() {
  {
    std::lock_guard lock(waitMutex_);
    interrupted_ = true;
  }
  interruptedSignal_.notify_all();
}
