// Reads the fixed 44-byte RIFF/WAVE header, validates it and leaves the file at its first sample.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>

// Result codes of the file layer; callers treat anything but kWaveOk as failure.
constexpr int kWaveOk = 0;
constexpr int kWaveIoError = 3;
constexpr int kWaveBadRequest = 4;

// The code of the first four characters of text, lowest byte first, padded with spaces, so it
// equals the four file bytes decoded as a little-endian 32-bit value.
uint32_t makeFourCC(const char* text);

class WaveFile {
 public:
  enum State { Closed = 0, Reading = 1 };
  // Which step refused the file, so the reader can say why in words.
  enum Failure {
    NoFailure = 0,
    NoPath,
    CannotOpen,     // openError() holds the errno
    NotRegular,     // a FIFO, socket, device or directory: never read
    NotWave,        // shorter than 12 bytes, or no "WAVE" at offset 8
    NoFormatChunk,  // no "fmt " chunk at offset 12
    CutOff,         // ends inside the 44 header bytes
    BadChannels,
    BadRates,       // byte rate or block align disagrees with the format
    BadSampleSize,  // under 8 bits per sample: no whole bytes to count
    TooLong,        // 2^32 frames or more
  };

  WaveFile();
  ~WaveFile();
  WaveFile(const WaveFile&) = delete;
  WaveFile& operator=(const WaveFile&) = delete;

  // Opens and validates; on kWaveOk the stream is at the first sample byte. After any failure
  // the file may still be open, and close() releases it, and failure() says which step refused.
  // Only a regular file is opened: anything else is refused without waiting or reading.
  int openRead(const char* path);
  int openStream(const char* path);
  int close();
  int expectBytes(const char* text, int count);
  int readBytes(uint8_t* dst, size_t count);
  // Reads frames 16-bit samples from the current position. framesRead, when given, receives how
  // many whole samples arrived, also when the read falls short.
  int readSamples16(int16_t* dst, uint32_t frames, uint32_t* framesRead = nullptr);
  // The errno of the last sample read that failed, 0 when it fell short at the end of the file.
  int readError() const { return readErrno; }

  uint16_t getChannels() const { return channels; }
  uint16_t getBitsPerSample() const { return bitsPerSample; }
  uint32_t getFrameCount() const { return frameCount; }
  uint32_t getRiffTag() const { return riffTag; }
  uint32_t getRiffSize() const { return riffSize; }
  uint32_t getFmtTag() const { return fmtTag; }
  uint32_t getFmtSize() const { return fmtSize; }
  uint16_t getFormatTag() const { return formatTag; }
  uint32_t getSampleRate() const { return sampleRate; }
  uint32_t getByteRate() const { return byteRate; }
  uint16_t getBlockAlign() const { return blockAlign; }
  uint32_t getDataTag() const { return dataTag; }
  uint32_t getDataSize() const { return dataSize; }
  int32_t getDataHeaderPos() const { return dataHeaderPos; }
  int getState() const { return state; }
  Failure failure() const { return failed; }
  int openError() const { return openErrno; }
  // The stream's byte offset, or -1 while closed.
  long position() const;

 private:
  int computeFrameCount();
  int fail(Failure why, int errorNumber = 0);

  uint32_t riffTag;
  uint32_t riffSize = 0;
  int32_t state = Closed;
  FILE* stream = nullptr;
  uint32_t fmtTag;
  uint32_t fmtSize = 16;
  uint16_t formatTag = 1;
  uint16_t channels = 2;
  uint32_t sampleRate = 44100;
  uint32_t byteRate = 176400;
  uint16_t blockAlign = 4;
  uint16_t bitsPerSample = 16;
  uint32_t dataTag;
  uint32_t dataSize = 0;
  int32_t dataHeaderPos = -1;
  uint32_t frameCount = 0;
  Failure failed = NoFailure;
  int openErrno = 0;
  int readErrno = 0;
};
