// The filter's types by name, numbered as the "Filter Mode" parameter steps
// them; each name is its entry of the filter type list in capitals, by the
// rule of engine/dsp/ParameterTags.h ("12dB Zero Delay LowPass" is
// ZERO_DELAY_LOWPASS_12DB). A test holds the names to that list.
#pragma once

namespace filtertype {
constexpr int BYPASS = 0;
constexpr int LOWPASS_6DB = 1;
constexpr int HIGHPASS_6DB = 2;
constexpr int LOWPASS_12DB = 3;
constexpr int HIGHPASS_12DB = 4;
constexpr int BANDPASS_12DB = 5;
constexpr int NOTCH_12DB = 6;
constexpr int ZERO_DELAY_LOWPASS_12DB = 7;
constexpr int ZERO_DELAY_HIGHPASS_12DB = 8;
constexpr int ZERO_DELAY_BANDPASS_12DB = 9;
constexpr int ZERO_DELAY_NOTCH_12DB = 10;
constexpr int ZERO_LOW_HIGH_PASS_12DB = 11;
constexpr int ZERO_LOW_BAND_HIGH_PASS_12DB = 12;
constexpr int LOWPASS_18DB = 13;
constexpr int HIGHPASS_18DB = 14;
constexpr int LOWPASS_24DB = 15;
constexpr int HIGHPASS_24DB = 16;
constexpr int BANDPASS_24DB = 17;
constexpr int NOTCH_24DB = 18;
constexpr int ZERO_DELAY_LOWPASS_24DB = 19;
constexpr int ZERO_DELAY_HIGHPASS_24DB = 20;
constexpr int ZERO_DELAY_BANDPASS_24DB = 21;
constexpr int ZERO_DELAY_NOTCH_24DB = 22;
constexpr int ZERO_LOW_HIGH_PASS_24DB = 23;
constexpr int ZERO_LOW_BAND_HIGH_PASS_24DB = 24;
constexpr int LOWPASS_36DB = 25;
constexpr int HIGHPASS_36DB = 26;
constexpr int VOCAL = 27;
constexpr int FORMANT_1 = 28;
constexpr int FORMANT_2 = 29;
constexpr int POSITIVE_COMB_FILTER = 30;
constexpr int NEGATIVE_COMB_FILTER = 31;
constexpr int PING_PONG_COMB_FILTER = 32;
constexpr int RING_MODULATION = 33;
constexpr int AMP_MODULATION = 34;
}  // namespace filtertype

constexpr int FILTER_TYPE_COUNT = 35;
