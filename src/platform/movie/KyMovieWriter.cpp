#include "platform/movie/KyMovieWriter.h"

#include "platform/camera/KyLibavPtr.h"
#include "utils/LDTLog.h"

extern "C" {
#include <libavutil/opt.h>
}

#include <algorithm>

namespace {

constexpr AVRational kMillisecondTimeBase{1, 1000};
constexpr int64_t kFallbackFrameStepMs = 33;  // frames without increasing timestamps: 30 a second

struct OutputDeleter {
  void operator()(AVFormatContext* context) const {
    if (context && !(context->oformat->flags & AVFMT_NOFILE)) avio_closep(&context->pb);
    avformat_free_context(context);
  }
};
using OutputPtr = std::unique_ptr<AVFormatContext, OutputDeleter>;

const AVCodec* findH264Encoder() {
  const AVCodec* encoder = avcodec_find_encoder_by_name("libx264");
  return encoder ? encoder : avcodec_find_encoder(AV_CODEC_ID_H264);
}

}  // namespace

KyMovieVideoSettings KyMovieVideoSettings::forFrame(int32_t frameWidth, int32_t frameHeight) {
  KyMovieVideoSettings settings;
  settings.width = settings.height = std::min(frameWidth, frameHeight);
  return settings;
}

// The open file, encoder and scaler of a writer whose input is set up.
struct KyMovieWriter::Encoder {
  OutputPtr output;
  KyAVCodecPtr codec;
  KyAVFramePtr picture;
  KyAVPacketPtr packet;
  KySwsPtr scaler;
  AVStream* stream = nullptr;
  bool trailerPending = false;
  int64_t firstTimestampMs = 0;
  int64_t lastPts = -1;
  int64_t lastInterval = kFallbackFrameStepMs;
  int64_t frames = 0;

  std::string open(const std::string& path, const KyMovieVideoSettings& settings);
  std::string encode(const KySampleBuffer& frame);
  std::string finish();

 private:
  std::string openEncoder(const KyMovieVideoSettings& settings);
  bool scaleAspectFill(const KySampleBuffer& frame);
  int64_t nextPts(int64_t timestampMs);
  std::string drainPackets();
};

std::string KyMovieWriter::Encoder::openEncoder(const KyMovieVideoSettings& settings) {
  const AVCodec* encoder = findH264Encoder();
  if (!encoder) return "no H.264 encoder available";
  codec.reset(avcodec_alloc_context3(encoder));
  if (!codec) return "out of memory";
  codec->width = settings.width;
  codec->height = settings.height;
  codec->pix_fmt = AV_PIX_FMT_YUV420P;
  codec->time_base = kMillisecondTimeBase;
  codec->framerate = {30, 1};
  codec->bit_rate = settings.averageBitRate;
  codec->gop_size = settings.maxKeyFrameInterval;
  codec->sample_aspect_ratio = {1, 1};
  if (output->oformat->flags & AVFMT_GLOBALHEADER) codec->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
  AVDictionary* options = nullptr;
  // The fastest preset: at 3.5 Mbit/s a 480 x 480 picture still looks good, and recording costs
  // about half the CPU of "veryfast" beside the live frame pipeline.
  av_dict_set(&options, "preset", "ultrafast", 0);
  const int result = avcodec_open2(codec.get(), encoder, &options);
  av_dict_free(&options);
  if (result < 0) return "cannot open the H.264 encoder: " + kyAVErrorText(result);
  return {};
}

std::string KyMovieWriter::Encoder::open(const std::string& path, const KyMovieVideoSettings& settings) {
  kyQuietLibavLogs();
  if (settings.codec != "H.264") return "unsupported codec " + settings.codec;
  // yuv420p needs even sides; an odd side loses its last row and column.
  KyMovieVideoSettings even = settings;
  even.width &= ~1;
  even.height &= ~1;
  if (even.width <= 0 || even.height <= 0) return "bad movie size";

  AVFormatContext* context = nullptr;
  int result = avformat_alloc_output_context2(&context, nullptr, "mov", path.c_str());
  if (result < 0 || !context) return "cannot create the movie: " + kyAVErrorText(result);
  output.reset(context);
  if (std::string error = openEncoder(even); !error.empty()) return error;

  stream = avformat_new_stream(output.get(), nullptr);
  if (!stream || avcodec_parameters_from_context(stream->codecpar, codec.get()) < 0) return "cannot add the video track";
  stream->time_base = kMillisecondTimeBase;
  stream->sample_aspect_ratio = codec->sample_aspect_ratio;
  result = avio_open(&output->pb, path.c_str(), AVIO_FLAG_WRITE);
  if (result < 0) return "cannot open " + path + ": " + kyAVErrorText(result);
  result = avformat_write_header(output.get(), nullptr);
  if (result < 0) return "cannot write the movie header: " + kyAVErrorText(result);
  trailerPending = true;

  picture.reset(av_frame_alloc());
  packet.reset(av_packet_alloc());
  if (!picture || !packet) return "out of memory";
  picture->format = codec->pix_fmt;
  picture->width = codec->width;
  picture->height = codec->height;
  if (av_frame_get_buffer(picture.get(), 0) < 0) return "out of memory";
  return {};
}

// Centre square (or the output's shape) of the frame, scaled into the encoder's picture.
bool KyMovieWriter::Encoder::scaleAspectFill(const KySampleBuffer& frame) {
  const int64_t outW = codec->width;
  const int64_t outH = codec->height;
  int64_t cropW = frame.width;
  int64_t cropH = frame.height;
  if (cropW * outH > cropH * outW) {
    cropW = cropH * outW / outH;
  } else {
    cropH = cropW * outH / outW;
  }
  if (cropW <= 0 || cropH <= 0) return false;
  const int64_t left = (frame.width - cropW) / 2;
  const int64_t top = (frame.height - cropH) / 2;
  scaler.reset(sws_getCachedContext(scaler.release(), static_cast<int>(cropW), static_cast<int>(cropH),
                                    AV_PIX_FMT_BGRA, codec->width, codec->height, codec->pix_fmt, SWS_BILINEAR,
                                    nullptr, nullptr, nullptr));
  if (!scaler || av_frame_make_writable(picture.get()) < 0) return false;
  const uint8_t* source[4] = {frame.data() + top * frame.bytesPerRow + left * 4, nullptr, nullptr, nullptr};
  const int sourceStrides[4] = {frame.bytesPerRow, 0, 0, 0};
  return sws_scale(scaler.get(), source, sourceStrides, 0, static_cast<int>(cropH), picture->data,
                   picture->linesize) == codec->height;
}

int64_t KyMovieWriter::Encoder::nextPts(int64_t timestampMs) {
  if (frames == 0) firstTimestampMs = timestampMs;
  int64_t pts = timestampMs - firstTimestampMs;
  if (pts <= lastPts) pts = lastPts + kFallbackFrameStepMs;
  if (lastPts >= 0) lastInterval = pts - lastPts;
  lastPts = pts;
  return pts;
}

std::string KyMovieWriter::Encoder::drainPackets() {
  for (;;) {
    int result = avcodec_receive_packet(codec.get(), packet.get());
    if (result == AVERROR(EAGAIN) || result == AVERROR_EOF) return {};
    if (result < 0) return "encoding failed: " + kyAVErrorText(result);
    // The encoder leaves durations unset; without one the file's last frame would get none and be
    // cut by the edit list, so each packet lasts as long as the latest frame interval.
    if (packet->duration <= 0) packet->duration = lastInterval;
    av_packet_rescale_ts(packet.get(), codec->time_base, stream->time_base);
    packet->stream_index = stream->index;
    result = av_interleaved_write_frame(output.get(), packet.get());
    if (result < 0) return "writing the movie failed: " + kyAVErrorText(result);
  }
}

std::string KyMovieWriter::Encoder::encode(const KySampleBuffer& frame) {
  if (frame.empty() || frame.bytesPerRow < frame.width * 4 ||
      frame.pixels->size() < static_cast<size_t>(frame.bytesPerRow) * static_cast<size_t>(frame.height)) {
    return "bad frame";
  }
  if (!scaleAspectFill(frame)) return "cannot scale the frame";
  picture->pts = nextPts(frame.timestampMs);
  const int result = avcodec_send_frame(codec.get(), picture.get());
  if (result < 0) return "encoding failed: " + kyAVErrorText(result);
  ++frames;
  return drainPackets();
}

std::string KyMovieWriter::Encoder::finish() {
  if (!trailerPending) return {};
  trailerPending = false;
  avcodec_send_frame(codec.get(), nullptr);  // flush the frames the encoder holds back
  std::string error = drainPackets();
  const int result = av_write_trailer(output.get());
  if (error.empty() && result < 0) error = "cannot finish the movie: " + kyAVErrorText(result);
  if (!(output->oformat->flags & AVFMT_NOFILE)) avio_closep(&output->pb);
  return error;
}

KyMovieWriter::KyMovieWriter(std::string outputPath) : outputPath_(std::move(outputPath)) {}

KyMovieWriter::~KyMovieWriter() {
  std::unique_lock finishers(finisherMutex_);
  if (finisher_.joinable()) {
    if (finisher_.get_id() == std::this_thread::get_id()) {
      finisher_.detach();  // released by its own completion: the thread has nothing left to do
    } else {
      finisher_.join();
    }
  }
  std::lock_guard lock(mutex_);
  if (status_ == Status::Writing) finishLocked();
}

void KyMovieWriter::fail(const std::string& message) {
  status_ = Status::Failed;
  error_ = message;
  LDTLogWrite(KyLivingLogLevel::Error, "KyMovieWriter", __LINE__, "%s: %s", outputPath_.c_str(), message.c_str());
}

bool KyMovieWriter::isVideoInputReady() const {
  std::lock_guard lock(mutex_);
  return status_ == Status::Writing;
}

bool KyMovieWriter::setUpVideoInput(const KyMovieVideoSettings& settings) {
  std::lock_guard lock(mutex_);
  if (status_ == Status::Writing) return true;
  // Set up again only after a failed set-up; a movie that failed while writing is left as it is.
  if (status_ != Status::Unknown && !(status_ == Status::Failed && !encoder_)) return false;
  auto encoder = std::make_unique<Encoder>();
  if (std::string error = encoder->open(outputPath_, settings); !error.empty()) {
    fail(error);  // asked again on the next frame
    return false;
  }
  encoder_ = std::move(encoder);
  status_ = Status::Writing;
  error_.clear();
  return true;
}

bool KyMovieWriter::appendVideoSampleBuffer(const KySampleBuffer& frame) {
  std::lock_guard lock(mutex_);
  if (status_ != Status::Writing) return false;
  if (std::string error = encoder_->encode(frame); !error.empty()) {
    if (error == "bad frame" || error == "cannot scale the frame") return false;  // this frame only
    encoder_->finish();  // keep what was written playable
    fail(error);
    return false;
  }
  return true;
}

void KyMovieWriter::finishLocked() {
  const std::string error = encoder_ ? encoder_->finish() : std::string();
  if (error.empty()) {
    status_ = Status::Completed;
  } else {
    fail(error);
  }
}

void KyMovieWriter::finishWriting(std::function<void()> completion) {
  std::lock_guard finishers(finisherMutex_);
  if (finisher_.joinable()) {
    // A second finish waits for the first (or, from the first one's completion, lets it end alone).
    if (finisher_.get_id() == std::this_thread::get_id()) {
      finisher_.detach();
    } else {
      finisher_.join();
    }
  }
  bool mustFinish = false;
  {
    std::lock_guard lock(mutex_);
    mustFinish = status_ == Status::Writing;
    if (mustFinish) status_ = Status::Finishing;
  }
  finisher_ = std::thread([this, mustFinish, completion = std::move(completion)] {
    if (mustFinish) {
      std::lock_guard lock(mutex_);
      finishLocked();
    }
    if (completion) completion();
  });
}

KyMovieWriter::Status KyMovieWriter::status() const {
  std::lock_guard lock(mutex_);
  return status_;
}

std::string KyMovieWriter::error() const {
  std::lock_guard lock(mutex_);
  return error_;
}

int64_t KyMovieWriter::framesWritten() const {
  std::lock_guard lock(mutex_);
  return encoder_ ? encoder_->frames : 0;
}
