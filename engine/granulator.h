// The granular engine: two read heads that alternate, crossfade, wander in rate and jump.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>

#include "snapshot.h"

// How the two heads' rates wander: each on its own walk, or both on one shared rate.
enum class PitchMode { kEachHeadWalks = 1, kHeadsShareRate = 2 };

class Granulator {
 public:
  enum State { FadeAToB = 0, FadeBToA = 1, HoldA = 2, HoldB = 3 };

  Granulator() = default;
  virtual ~Granulator() = default;
  Granulator(const Granulator&) = delete;
  Granulator& operator=(const Granulator&) = delete;

  // Builds the crossfade window and restarts the cycle at HoldA. Never while another thread is
  // inside nextSample. The buffer stays the caller's.
  void prepare(const float* samples, int frameCount, int fadeLength);

  // The next output sample. Never blocks, allocates or fails.
  float nextSample();
  // The next `count` samples into `out`, the same as `count` calls of nextSample when no setter
  // runs meanwhile: the settings are taken once, at the start of the block. For rendering ahead,
  // where nothing needs to stop between two samples.
  void render(float* out, int count);

  // The setters may run on another thread while nextSample runs, and before any prepare.
  void setLengthRange(int a, int b);
  void setPitchRange(float a, float b, float walk);
  void setLocation(float spread, float speed);
  void setPitchMode(PitchMode mode);
  void setZeroChance(float p);

  // Where the heads are and how loud each is in the next sample, for a view of the sound. In a
  // hold the sounding head has gain 1 and the other 0; in a fade the head fading out has 1 - w
  // and the one fading in w, w being the window value at windowPos; a muted head has 0.
  struct View {
    uint32_t number;  // how many views were published before and with this one
    State state;
    int frameCount;
    float spread;
    double location, posA, posB;
    float gainA, gainB;
  };
  // Publishes the current view. Called between samples by the thread that runs nextSample (the
  // worker does it once per ring block) and by prepare; it draws nothing and changes no state.
  void publishView();
  // The last published view, whole, on any thread without waiting. False, with `view` left as
  // it was, before the first publish or when a publish in progress outlasts every retry.
  bool readView(View& view) const;

  class LiveSettings;
  struct Voice;
  // The settings as nextSample reads them, each at the moment it is asked for; on any thread.
  LiveSettings settings() const;
  // The heads between two samples, as nextSample left them: on the thread that runs the engine,
  // or while none does.
  const Voice& voiceState() const { return voice; }

  // Longest hold range that keeps 32767 * lenRange within a signed 32-bit product.
  static constexpr int kMaxLenRange = 65538;
  // Upper bound for lenMin, so that a hold count plus a fade length stays a valid int.
  static constexpr int kMaxLenMin = 1 << 30;

 private:
  // Members shared with the UI thread: relaxed atomics, which compile to plain moves.
  template <typename T>
  static T load(const std::atomic<T>& a) {
    return a.load(std::memory_order_relaxed);
  }
  template <typename T>
  static void store(std::atomic<T>& a, T v) {
    a.store(v, std::memory_order_relaxed);
  }

  class BlockSettings;

 public:
  // Everything the per-sample step reads and writes, kept together so that a block can work on
  // a copy in locals (registers) and store it back once. nextSample steps the member in place.
  struct Voice {
    // One output sample in the current phase.
    template <typename Settings>
    float step(const Settings& settings, uint32_t& random);

    float readHead(double pos, bool mute) const;
    double advance(double pos, float rate) const;
    double wrap(double pos) const;
    float walkFrom(float rate, uint32_t& random) const;
    template <typename Settings>
    void walk(const Settings& settings, bool walkA, bool walkB, uint32_t& random);
    template <typename Settings>
    void drawHolds(const Settings& settings, uint32_t& random);
    template <typename Settings>
    void jump(const Settings& settings, double& pos, bool& mute, int hold, uint32_t& random);

    const float* samples = nullptr;
    const float* window = nullptr;
    int frameCount = 0;
    int fadeLength = 0;
    int windowPos = 0;
    int state = HoldA;
    // Positions are doubles: a float position would quantise a head's advance far into a long
    // sound.
    double posA = 0.0;
    double posB = 0.0;
    double wrapLen = 0.0;
    double location = 0.0;
    // The rate state belongs to the synthesis thread; takePitchRange refreshes the range.
    float pitchMin = 0.0f;
    float pitchMax = 0.0f;
    float rateA = 0.0f;
    float rateB = 0.0f;
    float walkHalf = 0.0f;
    float walkStep = 0.0f;
    // walkStep and walkHalf are both zero: a walk leaves a rate as it is.
    bool rateStill = false;
    int holdA = 0;
    int holdB = 0;
    bool muteA = false;
    bool muteB = false;
  };

  class LiveSettings {
   public:
    explicit LiveSettings(const Granulator& g) : m_g(g) {}
    PitchMode pitchMode() const { return load(m_g.pitchMode); }
    float spread() const { return load(m_g.spread); }
    float speed() const { return load(m_g.speed); }
    int lenMin() const { return load(m_g.lenMin); }
    int lenRange() const { return load(m_g.lenRange); }
    int zeroThreshold() const { return load(m_g.zeroThreshold); }

   private:
    const Granulator& m_g;
  };

 private:
  // A new range and its centred rate, published together by setPitchRange.
  struct PitchRange {
    float pitchMin;
    float pitchMax;
    float walkStep;
    float walkHalf;
    float rate;
  };

  void takePitchRange();

  std::atomic<PitchMode> pitchMode{PitchMode::kHeadsShareRate};
  std::unique_ptr<float[]> window;
  Voice voice;
  std::atomic<float> spread{0.0f};
  std::atomic<float> speed{0.0f};

  // setPitchRange publishes a new range and its centred rate as one snapshot; nextSample takes it
  // whole before it walks, so a rate can never be left outside the range that was set last.
  Snapshot<PitchRange> published;
  uint32_t takenSequence = 0;

  std::atomic<int> lenMin{0};
  std::atomic<int> lenRange{0};
  std::atomic<int> zeroThreshold{0};

  // The view, published by one writer at a time, so a reader can retry rather than take half of
  // two views. It comes last so that the members nextSample reads keep their places.
  Snapshot<View> publishedView;
  static constexpr int kViewTries = 64;
};
