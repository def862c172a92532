// The one rate of every stream the instrument makes: samples per second, live and rendered.
#pragma once

constexpr int kSampleRate = 44100;
