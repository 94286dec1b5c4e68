// The two simulated microphones: class ids, names in the audio input category, and tone.
#pragma once

#include <windows.h>

namespace simmic {

struct MicrophoneDevice {
  CLSID clsid;
  const wchar_t* friendly_name;
  const wchar_t* instance_name;  // the device's name in the category (no backslash)
  double tone_hz;
};

// {42540FEC-67BB-4D69-8E24-9486F7ED758B} and {DD1991F9-7DA0-4963-9EF8-7C9E6667DF30}
constexpr MicrophoneDevice kMicrophones[] = {
    {{0x42540fec, 0x67bb, 0x4d69, {0x8e, 0x24, 0x94, 0x86, 0xf7, 0xed, 0x75, 0x8b}},
     L"Simulated Microphone 1", L"simmic0001", 440.0},
    {{0xdd1991f9, 0x7da0, 0x4963, {0x9e, 0xf8, 0x7c, 0x9e, 0x66, 0x67, 0xdf, 0x30}},
     L"Simulated Microphone 2", L"simmic0002", 880.0},
};

// The stream both offer: 16-bit mono PCM in buffers of 100 ms.
constexpr DWORD kSamplesPerSecond = 44100;
constexpr WORD kBitsPerSample = 16;
constexpr WORD kChannels = 1;
constexpr DWORD kSamplesPerBuffer = kSamplesPerSecond / 10;
constexpr DWORD kBytesPerBuffer = kSamplesPerBuffer * kChannels * (kBitsPerSample / 8);
constexpr short kAmplitude = 8000;

}  // namespace simmic
