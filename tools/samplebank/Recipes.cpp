#include "tools/samplebank/Recipes.h"

#include <array>

namespace bank {
namespace {

// Loops are two seconds (a bar at 120 BPM); every frequency in them is a
// multiple of 0.5 Hz, so the content repeats exactly at the seam, and the
// tail after it lets the seam be blended where noise makes it differ.
constexpr int LOOP_FRAMES = 96000;
constexpr int LOOP_TAIL = 9600;

double sine(double phase) { return std::sin(TWO_PI * phase); }

// ---------------------------------------------------------------- FX Percussive

TSound impact(int v, TRng& rng) {
    struct Row { double from, to, drop, body, noise, noiseCut, seconds, room; const char* kind; };
    static constexpr Row rows[] = {
        {180, 42, 0.08, 0.9, 0.5, 900, 1.6, 0.25, "cinematic boom"},
        {240, 55, 0.05, 0.7, 0.8, 2500, 0.9, 0.15, "punchy hit"},
        {120, 34, 0.20, 1.0, 0.3, 400, 2.2, 0.30, "sub drop"},
        {300, 70, 0.03, 0.6, 1.0, 5000, 0.6, 0.10, "door slam"},
        {150, 38, 0.12, 0.8, 1.2, 700, 2.4, 0.35, "explosion"},
        {400, 90, 0.02, 0.5, 0.9, 6000, 0.5, 0.20, "body punch"},
        {210, 48, 0.06, 0.9, 0.6, 1500, 1.3, 0.45, "trailer hit"},
        {90, 30, 0.25, 1.0, 0.4, 300, 2.0, 0.20, "earth rumble hit"},
        {260, 60, 0.04, 0.7, 0.7, 3500, 0.8, 0.30, "metal-room thud"},
        {200, 45, 0.09, 0.8, 0.9, 1200, 1.5, 0.50, "distant blast"},
    };
    Row r = rows[v];
    r.seconds *= 0.75;
    TSound s{TStereo(frames(r.seconds)), 0, 0, r.kind};
    double phase = 0;
    TSvf noiseLeft, noiseRight;
    TPink pinkLeft, pinkRight;
    for (int i = 0; i < s.audio.size(); ++i) {
        const double t = i / RATE;
        const double f = r.to + (r.from - r.to) * std::exp(-t / r.drop);
        phase += f / RATE;
        const double body = sine(phase) * decay(t, r.seconds * 0.7) * r.body;
        const double burst = decay(t, 0.15 + r.seconds * 0.25);
        const double cut = r.noiseCut * (0.3 + 0.7 * std::exp(-t * 6));
        noiseLeft.run(pinkLeft.run(rng.bipolar()), cut, 0.7);
        noiseRight.run(pinkRight.run(rng.bipolar()), cut, 0.7);
        const double l = saturate(body + noiseLeft.low * burst * r.noise * 2.5, 1.8);
        const double rr = saturate(body + noiseRight.low * burst * r.noise * 2.5, 1.8);
        s.audio.add(i, l, rr);
    }
    TReverb(1.8, 0.45, 11 + v).apply(s.audio, r.room);
    return s;
}

// Inharmonic ratios of struck objects.
constexpr double PLATE[] = {1.0, 1.58, 2.13, 2.66, 3.43, 4.01, 4.80, 5.53, 6.31, 7.18};
constexpr double BAR[] = {1.0, 2.756, 5.404, 8.933, 13.344};
constexpr double PIPE[] = {1.0, 2.32, 4.25, 6.63, 9.38, 12.5};
constexpr double BELL[] = {0.5, 1.0, 1.19, 1.56, 2.0, 2.51, 2.66, 3.01, 4.1};

TSound metalHit(int v, TRng& rng) {
    struct Row { const double* ratios; int count; double base, seconds, bright, strike; const char* kind; };
    static const Row rows[] = {
        {PLATE, 10, 310, 2.2, 0.8, 0.4, "steel plate hit"},
        {BAR, 5, 520, 1.6, 0.6, 0.3, "metal bar strike"},
        {PIPE, 6, 260, 2.0, 0.7, 0.3, "pipe clang"},
        {PLATE, 10, 880, 1.2, 0.9, 0.5, "anvil ring"},
        {BELL, 9, 420, 2.6, 0.5, 0.2, "tin bell hit"},
        {PIPE, 6, 140, 2.4, 0.5, 0.6, "heavy pipe"},
        {PLATE, 10, 190, 2.6, 0.6, 0.6, "sheet metal boom"},
        {BAR, 5, 1250, 0.9, 1.0, 0.3, "small chime hit"},
        {PLATE, 10, 610, 0.6, 0.8, 0.8, "dampened clank"},
        {PIPE, 6, 700, 1.4, 0.9, 0.4, "railing hit"},
        {BELL, 9, 960, 1.8, 0.7, 0.3, "spaceship hull ping"},
        {PLATE, 10, 95, 2.6, 0.4, 0.9, "dumpster bang"},
    };
    Row r = rows[v];
    r.seconds *= 0.7;
    TSound s{TStereo(frames(r.seconds)), 0, 0, r.kind};
    for (int side = 0; side < 2; ++side) {
        std::vector<TPartial> partials;
        for (int k = 0; k < r.count; ++k) {
            const double f = r.base * r.ratios[k] * (1.0 + 0.004 * rng.bipolar()) * (side ? 1.0015 : 1.0);
            if (f > 18000) continue;
            const double a = std::pow(r.bright, k * 0.5) / (1.0 + k * 0.3) * (0.6 + 0.4 * rng.uniform());
            partials.emplace_back(f, a, r.seconds * std::pow(0.72, k) + 0.05, rng.uniform() * 0.3);
        }
        addPartials(side ? s.audio.right : s.audio.left, partials);
    }
    TBiquad strikeLeft, strikeRight;
    strikeLeft.set(TBiquad::BAND, r.base * 6, 1.2);
    strikeRight.set(TBiquad::BAND, r.base * 6.3, 1.2);
    for (int i = 0; i < frames(0.04); ++i) {
        const double e = decay(i / RATE, 0.04) * r.strike * 3.0;
        s.audio.add(i, strikeLeft.run(rng.bipolar()) * e, strikeRight.run(rng.bipolar()) * e);
    }
    TReverb(1.6, 0.3, 40 + v).apply(s.audio, 0.25);
    return s;
}

TSound knock(int v, TRng& rng) {
    struct Row { double base, spread, seconds, click, clickFreq; int count; const char* kind; };
    static constexpr Row rows[] = {
        {220, 2.6, 0.25, 0.8, 2500, 4, "wood knock"},
        {480, 2.2, 0.18, 0.6, 4000, 4, "wood block"},
        {2600, 1.7, 0.8, 0.3, 9000, 6, "glass tink"},
        {1800, 1.9, 1.1, 0.3, 8000, 6, "wine glass ping"},
        {700, 1.8, 0.12, 0.9, 5000, 3, "plastic tap"},
        {140, 2.8, 0.35, 0.9, 1800, 3, "door knock"},
        {3400, 1.5, 0.5, 0.2, 11000, 5, "ice cube clink"},
        {330, 2.4, 0.22, 0.7, 3000, 4, "coconut clop"},
        {900, 2.0, 0.3, 0.5, 6000, 5, "ceramic tap"},
        {1200, 1.6, 0.6, 0.4, 7000, 5, "bottle tap"},
    };
    const Row& r = rows[v];
    TSound s{TStereo(frames(r.seconds + 0.1)), 0, 0, r.kind};
    for (int side = 0; side < 2; ++side) {
        std::vector<TPartial> partials;
        for (int k = 0; k < r.count; ++k) {
            const double f = r.base * std::pow(r.spread, k) * (1.0 + 0.01 * rng.bipolar());
            if (f > 19000) continue;
            partials.emplace_back(f, 1.0 / (1 + k), r.seconds * std::pow(0.6, k), 0.0);
        }
        addPartials(side ? s.audio.right : s.audio.left, partials);
    }
    TBiquad clickLeft, clickRight;
    clickLeft.set(TBiquad::BAND, r.clickFreq, 1.5);
    clickRight.set(TBiquad::BAND, r.clickFreq * 1.05, 1.5);
    for (int i = 0; i < frames(0.01); ++i) {
        const double e = decay(i / RATE, 0.008) * r.click * 4.0;
        s.audio.add(i, clickLeft.run(rng.bipolar()) * e, clickRight.run(rng.bipolar()) * e);
    }
    TReverb(0.8, 0.5, 70 + v).apply(s.audio, 0.18);
    return s;
}

TSound zap(int v, TRng&) {
    struct Row { double from, to, seconds, pulses, gap, vibrato, reso, square; const char* kind; };
    static constexpr Row rows[] = {
        {4200, 180, 0.35, 1, 0, 0, 4, 1, "laser zap"},
        {2600, 260, 0.18, 3, 0.14, 0, 3, 0, "laser burst"},
        {6000, 90, 0.6, 1, 0, 35, 6, 1, "phaser blast"},
        {1800, 120, 0.25, 2, 0.2, 0, 8, 0, "pew pew"},
        {300, 3000, 0.3, 1, 0, 0, 5, 1, "charge zap"},
        {5000, 400, 0.12, 4, 0.09, 0, 3, 1, "blaster volley"},
        {3200, 60, 0.9, 1, 0, 12, 7, 0, "ray gun"},
        {900, 70, 0.5, 1, 0, 60, 2, 1, "electric zap"},
        {7000, 1500, 0.08, 5, 0.06, 0, 3, 0, "laser sparks"},
        {2200, 110, 0.7, 1, 0, 8, 9, 1, "plasma shot"},
    };
    const Row& r = rows[v];
    const double total = r.seconds + (r.pulses - 1) * r.gap + 0.3;
    TSound s{TStereo(frames(total)), 0, 0, r.kind};
    for (int p = 0; p < static_cast<int>(r.pulses); ++p) {
        const int start = frames(p * r.gap);
        TOsc osc, sub;
        TSvf filter;
        double pan = r.pulses > 1 ? (p % 2 ? 0.25 : 0.75) : 0.5;
        double gl, gr;
        panGains(pan, gl, gr);
        for (int i = 0; start + i < s.audio.size() && i < frames(r.seconds); ++i) {
            const double t = i / RATE, x = t / r.seconds;
            double f = r.from * std::pow(r.to / r.from, x);
            f *= 1.0 + 0.08 * std::sin(TWO_PI * r.vibrato * t) * (r.vibrato > 0);
            const double wave = r.square ? osc.square(f, 0.3) : osc.saw(f);
            filter.run(wave + 0.3 * sub.sine(f * 0.5), f * 2.5, r.reso);
            const double env = (1.0 - smoothStep(x)) * std::min(1.0, t / 0.002);
            const double y = saturate(filter.low * env, 1.5);
            s.audio.add(start + i, y * gl, y * gr);
        }
    }
    TReverb(1.2, 0.4, 90 + v).apply(s.audio, 0.22);
    return s;
}

TSound blip(int v, TRng& rng) {
    struct Row { double f0; int notes; double step, length, gap, fm; const char* kind; };
    static constexpr Row rows[] = {
        {880, 1, 1, 0.12, 0, 0, "computer beep"},
        {440, 3, 1.5, 0.06, 0.07, 0, "data blips up"},
        {660, 4, 0.75, 0.05, 0.06, 0, "data blips down"},
        {220, 1, 1, 0.35, 0, 2, "fm bleep"},
        {1320, 6, 1.25, 0.03, 0.04, 0, "chatter bleeps"},
        {440, 1, 1, 0.25, 0, 3.5, "metallic bloop"},
        {330, 2, 2, 0.09, 0.1, 0, "confirm chirp"},
        {550, 2, 0.5, 0.09, 0.1, 0, "deny chirp"},
        {110, 1, 1, 0.5, 0, 1, "sub bloop"},
        {1760, 8, 1.0, 0.02, 0.03, 0, "scanner ticks"},
    };
    const Row& r = rows[v];
    const bool single = r.notes == 1;
    TSound s{TStereo(frames(r.notes * std::max(r.gap, r.length) + 0.4)), single ? r.f0 : 0.0, 0, r.kind};
    (void)rng;
    for (int n = 0; n < r.notes; ++n) {
        const double f = r.f0 * std::pow(r.step, n);
        const int start = frames(n * r.gap);
        double gl, gr;
        panGains(single ? 0.5 : 0.3 + 0.4 * (n % 2), gl, gr);
        double phase = 0, modPhase = 0;
        for (int i = 0; i < frames(r.length); ++i) {
            const double t = i / RATE;
            const double env = std::min(1.0, t / 0.003) * (1.0 - smoothStep((t - r.length * 0.6) / (r.length * 0.4)));
            modPhase += f * r.fm / RATE;
            const double index = r.fm > 0 ? 2.0 * decay(t, r.length) : 0.0;
            phase += f / RATE;
            const double y = std::sin(TWO_PI * phase + index * sine(modPhase)) * env * 0.8;
            s.audio.add(start + i, y * gl, y * gr);
        }
    }
    TReverb(0.9, 0.3, 110 + v).apply(s.audio, 0.2);
    return s;
}

TSound whoosh(int v, TRng& rng) {
    struct Row { double seconds, low, high, q, peakAt, panFrom, panTo, tone; const char* kind; };
    static constexpr Row rows[] = {
        {1.2, 300, 3500, 2.0, 0.55, 0.1, 0.9, 0, "whoosh pass"},
        {0.6, 600, 6000, 1.5, 0.5, 0.5, 0.5, 0, "sword swish"},
        {1.6, 150, 1800, 3.0, 0.6, 0.9, 0.1, 0.3, "fly-by"},
        {0.9, 900, 9000, 1.2, 0.4, 0.3, 0.7, 0, "air swoosh"},
        {1.4, 200, 2500, 4.0, 0.7, 0.2, 0.8, 0.5, "jet pass"},
        {0.5, 1200, 8000, 2.5, 0.45, 0.6, 0.4, 0, "whip swish"},
        {1.5, 100, 1200, 5.0, 0.5, 0.5, 0.5, 0.2, "deep whoosh"},
        {1.0, 400, 5000, 6.0, 0.55, 0.0, 1.0, 0, "resonant sweep"},
        {0.8, 250, 4000, 1.8, 0.35, 0.8, 0.2, 0, "cloth swoosh"},
        {1.3, 500, 7000, 3.5, 0.65, 0.2, 0.8, 0.6, "sci-fi fly-by"},
    };
    const Row& r = rows[v];
    TSound s{TStereo(frames(r.seconds)), 0, 0, r.kind};
    TSvf left, right;
    TPink pinkLeft, pinkRight;
    TOsc tone;
    for (int i = 0; i < s.audio.size(); ++i) {
        const double x = i / static_cast<double>(s.audio.size());
        const double rise = x < r.peakAt ? x / r.peakAt : (1.0 - x) / (1.0 - r.peakAt);
        const double shape = std::pow(std::sin(rise * std::numbers::pi * 0.5), 2.0);
        const double f = r.low * std::pow(r.high / r.low, shape);
        left.run(pinkLeft.run(rng.bipolar()) * 3 + 0.4 * rng.bipolar(), f, r.q);
        right.run(pinkRight.run(rng.bipolar()) * 3 + 0.4 * rng.bipolar(), f * 1.03, r.q);
        const double t = r.tone * tone.saw(f * 0.25) * 0.15;
        double gl, gr;
        panGains(r.panFrom + (r.panTo - r.panFrom) * smoothStep(x), gl, gr);
        const double env = shape * shape;
        s.audio.add(i, (left.band + t) * env * gl * 1.4, (right.band + t) * env * gr * 1.4);
    }
    return s;
}

TSound riser(int v, TRng& rng) {
    struct Row { double seconds, from, to, noise; int voices; const char* kind; };
    static constexpr Row rows[] = {
        {2.0, 110, 880, 0.6, 3, "tension riser"},
        {1.6, 220, 1760, 0.3, 4, "synth riser"},
        {2.2, 60, 2000, 1.0, 0, "noise riser"},
        {1.8, 880, 110, 0.4, 3, "downer"},
        {1.2, 1500, 80, 0.7, 2, "power down"},
        {2.0, 80, 320, 0.2, 5, "engine spin-up"},
        {1.5, 3000, 200, 1.0, 0, "noise fall"},
        {1.9, 300, 2400, 0.5, 2, "alarm riser"},
    };
    const Row& r = rows[v];
    TSound s{TStereo(frames(r.seconds)), 0, 0, r.kind};
    std::vector<TOsc> oscLeft(static_cast<std::size_t>(r.voices)), oscRight(static_cast<std::size_t>(r.voices));
    TSvf noiseLeft, noiseRight, toneLeft, toneRight;
    const bool rising = r.to > r.from;
    for (int i = 0; i < s.audio.size(); ++i) {
        const double x = i / static_cast<double>(s.audio.size());
        const double curve = rising ? x * x : 1.0 - (1.0 - x) * (1.0 - x);
        const double f = r.from * std::pow(r.to / r.from, curve);
        double l = 0, rr = 0;
        for (int k = 0; k < r.voices; ++k) {
            const double detune = 1.0 + 0.006 * (k - (r.voices - 1) * 0.5);
            l += oscLeft[static_cast<std::size_t>(k)].saw(f * detune * (k % 2 ? 2.0 : 1.0));
            rr += oscRight[static_cast<std::size_t>(k)].saw(f * detune * 1.002 * (k % 2 ? 2.0 : 1.0));
        }
        const double cutoff = rising ? 300 + 9000 * x * x : 9000 * (1 - x) * (1 - x) + 200;
        toneLeft.run(l * 0.3, cutoff, 1.5);
        toneRight.run(rr * 0.3, cutoff, 1.5);
        noiseLeft.run(rng.bipolar(), f * 4, 2.0);
        noiseRight.run(rng.bipolar(), f * 4.2, 2.0);
        const double env = rising ? std::pow(x, 1.5) : std::pow(1.0 - x, 1.2) * std::min(1.0, x * 40);
        s.audio.add(i, (toneLeft.low + noiseLeft.band * r.noise) * env, (toneRight.low + noiseRight.band * r.noise) * env);
    }
    TReverb(1.5, 0.4, 150 + v).apply(s.audio, 0.2);
    return s;
}

TSound glitch(int v, TRng& rng) {
    static constexpr const char* kinds[] = {"digital glitch", "bit crush burst", "stutter", "data corruption",
                                            "buffer skip", "modem burst", "broken radio", "pixel crunch"};
    TSound s{TStereo(frames(0.7 + 0.1 * (v % 3))), 0, 0, kinds[v]};
    int i = 0;
    while (i < s.audio.size() - frames(0.05)) {
        const int length = frames(rng.range(0.01, 0.08));
        const int kind = rng.below(4);
        const double f = rng.range(100, 3000) * (1 + v * 0.1);
        const double crush = std::pow(2.0, rng.range(2, 6));
        const int hold = 1 + rng.below(24);
        const int repeats = (v == 2 || kind == 3) ? 1 + rng.below(4) : 1;
        const double pan = rng.uniform();
        double gl, gr;
        panGains(pan, gl, gr);
        TOsc osc;
        double held = 0;
        for (int rep = 0; rep < repeats && i < s.audio.size(); ++rep) {
            TOsc copy = osc;
            TRng segment(static_cast<std::uint64_t>(i) * 31 + static_cast<std::uint64_t>(v));
            for (int k = 0; k < length && i < s.audio.size(); ++k, ++i) {
                double y;
                switch (kind) {
                case 0: y = copy.square(f); break;
                case 1: y = segment.bipolar(); break;
                case 2: y = copy.saw(f * (1 + k / static_cast<double>(length))); break;
                default: y = copy.sine(f) * (segment.uniform() > 0.5 ? 1 : -1); break;
                }
                if (k % hold == 0) held = std::round(y * crush) / crush;
                const double env = std::min(1.0, std::min(k, length - k) / 48.0);
                s.audio.add(i, held * env * 0.6 * gl, held * env * 0.6 * gr);
            }
        }
        i += frames(rng.range(0.0, 0.03));
    }
    return s;
}

TSound tonalPercussion(int v, TRng& rng) {
    struct Row { double f0, seconds, drop, noise, harmonics; const char* kind; };
    static constexpr Row rows[] = {
        {110, 1.2, 0.25, 0.3, 0.2, "floor tom"},
        {146.5, 0.9, 0.2, 0.3, 0.2, "low tom"},
        {196, 0.7, 0.18, 0.3, 0.25, "high tom"},
        {55, 1.6, 0.5, 0.1, 0.1, "808 boom"},
        {220, 0.8, 0.0, 0.2, 0.6, "synth hit"},
        {440, 0.6, 0.0, 0.1, 0.4, "mallet tone"},
        {110, 1.0, 0.1, 0.4, 0.8, "taiko-like drum"},
        {330, 0.5, 0.05, 0.2, 0.5, "conga tone"},
        {220, 1.2, 0.0, 0.0, 1.0, "square stab"},
        {165, 0.8, 0.08, 0.5, 0.3, "bongo-like"},
        {110, 1.5, 0.0, 0.1, 0.9, "sci-fi stab"},
    };
    const Row& r = rows[v];
    TSound s{TStereo(frames(r.seconds)), r.f0, 0, r.kind};
    double phase = 0;
    TSvf noise, bright;
    TOsc osc;
    for (int i = 0; i < s.audio.size(); ++i) {
        const double t = i / RATE;
        // The pitch falls into its note within the first 30 ms and then holds.
        const double f = r.f0 * (1.0 + r.drop * std::exp(-t / 0.012));
        phase += f / RATE;
        double y = sine(phase) * decay(t, r.seconds);
        if (v == 4 || v == 8 || v == 10) {
            // The filter closes towards the sixth harmonic, clear of the
            // fundamental, so the note's pitch holds while its tone darkens.
            bright.run(v == 8 ? osc.square(f) : osc.saw(f), r.f0 * (6 + 26 * decay(t, 0.25)), 1.4);
            y = y * 0.5 + bright.low * r.harmonics * decay(t, r.seconds);
        } else {
            y += r.harmonics * 0.5 * sine(phase * 2.0) * decay(t, r.seconds * 0.4);
        }
        noise.run(rng.bipolar(), 2500, 0.8);
        y += noise.band * r.noise * decay(t, 0.05) * 3.0;
        s.audio.add(i, y, y);
    }
    TReverb(1.0, 0.4, 200 + v).apply(s.audio, 0.15);
    return s;
}

TSound reverseHit(int v, TRng& rng) {
    static constexpr const char* kinds[] = {"reverse boom", "reverse metal", "reverse cymbal swell",
                                            "reverse glass", "reverse laser"};
    TSound forward = v == 0   ? impact(0, rng)
                     : v == 1 ? metalHit(2, rng)
                     : v == 3 ? knock(3, rng)
                     : v == 4 ? zap(6, rng)
                              : TSound{TStereo(frames(1.8)), 0, 0, ""};
    if (v == 2) {
        TSvf left, right;
        for (int i = 0; i < forward.audio.size(); ++i) {
            const double e = decay(i / RATE, 1.8);
            left.run(rng.bipolar(), 7000, 0.8);
            right.run(rng.bipolar(), 7000, 0.8);
            forward.audio.add(i, left.high * e, right.high * e);
        }
    }
    TReverb(2.5, 0.3, 250 + v).apply(forward.audio, 0.5);
    TSound s{TStereo(forward.audio.size()), 0, 0, kinds[v]};
    const int n = forward.audio.size();
    for (int i = 0; i < n; ++i) {
        s.audio.left[i] = forward.audio.left[n - 1 - i];
        s.audio.right[i] = forward.audio.right[n - 1 - i];
    }
    return s;
}

TSound noisePercussion(int v, TRng& rng) {
    static constexpr const char* kinds[] = {"snare", "hand clap", "finger snap", "shaker", "rim shot"};
    TSound s{TStereo(frames(v == 3 ? 0.35 : 0.6)), 0, 0, kinds[v]};
    TSvf left, right;
    double phase = 0;
    for (int i = 0; i < s.audio.size(); ++i) {
        const double t = i / RATE;
        double env = 0, body = 0, centre = 3000, q = 0.7;
        switch (v) {
        case 0:
            env = decay(t, 0.25);
            phase += (180 + 60 * std::exp(-t / 0.01)) / RATE;
            body = sine(phase) * decay(t, 0.12) * 0.8;
            centre = 5000;
            break;
        case 1: {
            const double bursts = t < 0.03 ? decay(std::fmod(t, 0.01), 0.012) : decay(t - 0.03, 0.35);
            env = bursts;
            centre = 1300;
            q = 1.8;
            break;
        }
        case 2:
            env = decay(t, 0.05);
            centre = 2200;
            q = 4;
            break;
        case 3:
            env = std::sin(std::min(t / 0.12, 1.0) * std::numbers::pi * 0.5) * decay(std::max(t - 0.1, 0.0), 0.2);
            centre = 7500;
            q = 1.2;
            break;
        default:
            env = decay(t, 0.08);
            phase += 520 / RATE;
            body = sine(phase) * decay(t, 0.06);
            centre = 3800;
            q = 2;
            break;
        }
        left.run(rng.bipolar(), centre, q);
        right.run(rng.bipolar(), centre * 1.04, q);
        s.audio.add(i, left.band * env * 1.5 + body, right.band * env * 1.5 + body);
    }
    TReverb(1.0, 0.35, 300 + v).apply(s.audio, v == 1 ? 0.35 : 0.15);
    return s;
}

// ---------------------------------------------------------------- Instruments

// Additive harmonic tones: each harmonic with its own level and decay.
TSound instrument(int v, TRng& rng) {
    struct Row { double f0, seconds, slope, decayTop, inharmonic, attack, tremolo; bool loop; const char* kind; };
    static constexpr Row rows[] = {
        {220, 3.0, 1.1, 0.9, 0.0004, 0.002, 0, false, "piano"},
        {220, 2.5, 1.8, 0.85, 0.0, 0.003, 0, false, "electric piano"},
        {220, 2.2, 1.0, 0.6, 0.0001, 0.001, 0, false, "plucked guitar"},
        {440, 2.2, 1.6, 0.8, 0.0, 0.001, 0, false, "harp"},
        {440, 1.5, 0.0, 0.4, 0.0, 0.001, 0, false, "marimba"},
        {440, 2.6, 0.0, 0.8, 0.0, 0.001, 5.0, false, "vibraphone"},
        {220, 3.0, 0.0, 0.9, 0.0, 0.001, 0, false, "tubular bell"},
        {220, 0, 1.0, 0, 0.0, 0, 0, true, "organ"},
        {220, 0, 1.0, 0, 0.0, 0, 0, true, "string ensemble"},
        {220, 0, 0.9, 0, 0.0, 0, 0, true, "brass section"},
        {440, 0, 2.5, 0, 0.0, 0, 0, true, "flute"},
        {220, 0, 1.0, 0, 0.0, 0, 0, true, "square lead"},
        {110, 1.6, 1.3, 0.5, 0.0002, 0.001, 0, false, "bass pluck"},
        {880, 1.8, 2.0, 0.6, 0.0, 0.001, 0, false, "music box"},
        {440, 1.4, 1.2, 0.6, 0.0, 0.001, 0, false, "steel drum"},
        {220, 1.6, 0.6, 0.5, 0.0001, 0.001, 0, false, "harpsichord"},
    };
    const Row& r = rows[v];
    TSound s;
    s.f0 = r.f0;
    s.kind = r.kind;
    if (r.loop) {
        s.audio = TStereo(LOOP_FRAMES + LOOP_TAIL);
        s.loopFrames = LOOP_FRAMES;
    } else {
        s.audio = TStereo(frames(r.seconds));
    }
    const int n = s.audio.size();
    auto harmonicsUpTo = [&](double f) { return std::max(1, static_cast<int>(12000.0 / f)); };

    if (!r.loop) {
        for (int side = 0; side < 2; ++side) {
            std::vector<TPartial> partials;
            const int count = harmonicsUpTo(r.f0);
            for (int h = 1; h <= count; ++h) {
                double ratio = h * std::sqrt(1.0 + r.inharmonic * h * h);
                double level = 1.0 / std::pow(h, r.slope);
                double life = r.seconds * std::pow(r.decayTop, h - 1);
                switch (v) {
                case 1: level = h == 1 ? 1.0 : (h == 14 ? 0.25 : 0.15 / h); life = h == 14 ? 0.15 : life; break;
                case 2: level *= std::fabs(std::sin(std::numbers::pi * h * 0.18)) + 0.05; break;  // plucked near the bridge
                case 4: {
                    static constexpr double bar[] = {1.0, 3.93, 9.2};
                    if (h > 3) continue;
                    ratio = bar[h - 1];
                    level = h == 1 ? 1.0 : 0.35 / h;
                    life = r.seconds * (h == 1 ? 1.0 : 0.25);
                    break;
                }
                case 5: {
                    static constexpr double bar[] = {1.0, 4.0, 10.0};
                    if (h > 3) continue;
                    ratio = bar[h - 1];
                    level = h == 1 ? 1.0 : 0.3 / h;
                    life = r.seconds * (h == 1 ? 1.0 : 0.4);
                    break;
                }
                case 6: {
                    // The strike tone is the second partial; the hum an octave below.
                    static constexpr double tube[] = {0.5, 1.0, 1.19, 1.56, 2.0, 2.51, 2.66, 3.01, 4.1, 5.2};
                    if (h > 10) continue;
                    ratio = tube[h - 1];
                    level = h == 2 ? 1.0 : 0.5 / std::sqrt(static_cast<double>(h));
                    life = r.seconds * (h <= 2 ? 1.0 : 0.7 / std::sqrt(static_cast<double>(h)));
                    break;
                }
                case 13: {
                    static constexpr double tine[] = {1.0, 2.0, 5.4, 8.9};
                    if (h > 4) continue;
                    ratio = tine[h - 1];
                    level = h == 1 ? 1.0 : 0.2;
                    life = r.seconds * (h == 1 ? 1.0 : 0.3);
                    break;
                }
                case 14: {
                    static constexpr double pan[] = {1.0, 2.0, 3.0, 4.01, 5.02};
                    if (h > 5) continue;
                    ratio = pan[h - 1];
                    level = h <= 3 ? 1.0 / h : 0.15;
                    break;
                }
                default: break;
                }
                const double f = r.f0 * ratio;
                if (f > 16000) continue;
                const double detune = side ? 1.0 + 0.0003 * h : 1.0;
                partials.emplace_back(f * detune, level * 0.5, life, 0.0);
            }
            addPartials(side ? s.audio.right : s.audio.left, partials);
        }
        // Hammer, pick or mallet noise at the attack.
        TSvf attack;
        for (int i = 0; i < frames(0.02); ++i) {
            attack.run(rng.bipolar(), r.f0 * 8, 0.9);
            const double e = decay(i / RATE, 0.015) * 0.3;
            s.audio.add(i, attack.band * e, attack.band * e);
        }
        if (r.tremolo > 0)
            for (int i = 0; i < n; ++i) {
                const double g = 1.0 - 0.35 * (0.5 + 0.5 * std::sin(TWO_PI * r.tremolo * i / RATE));
                s.audio.left[i] *= static_cast<float>(g);
                s.audio.right[i] *= static_cast<float>(g * 0.95 + 0.05);
            }
        TReverb(1.6, 0.4, 400 + v).apply(s.audio, 0.15);
        return s;
    }

    // Sustained tones: periodic over the loop, built from voices whose
    // detune and vibrato are multiples of 0.5 Hz.
    struct Voice { double detune, pan, vibratoRate, vibratoDepth; };
    std::vector<Voice> voices;
    if (v == 8) {
        for (int k = 0; k < 7; ++k) voices.push_back({0.5 * (k - 3), k / 6.0, 4.5 + 0.5 * (k % 3), 0.003});
    } else if (v == 9) {
        for (int k = 0; k < 4; ++k) voices.push_back({0.5 * (k - 1.5) * 2, 0.2 + 0.2 * k, 5.0, 0.002});
    } else if (v == 11) {
        voices = {{-0.5, 0.3, 5.5, 0.004}, {0.5, 0.7, 5.5, 0.004}};
    } else {
        voices = {{0.0, 0.5, v == 10 ? 5.0 : 0.0, v == 10 ? 0.004 : 0.0}};
    }
    const int count = harmonicsUpTo(r.f0);
    std::vector<double> levels(static_cast<std::size_t>(count + 1));
    for (int h = 1; h <= count; ++h) {
        double level = 1.0 / std::pow(h, r.slope);
        if (v == 7) {
            // Drawbars 8', 4', 2 2/3', 2' and a little 16' an octave below at the sub-harmonic.
            level = (h == 1 ? 1.0 : h == 2 ? 0.7 : h == 3 ? 0.5 : h == 4 ? 0.45 : h == 6 ? 0.2 : h == 8 ? 0.25 : 0.0);
        } else if (v == 11) {
            level = h % 2 ? 1.0 / h : 0.08 / h;  // a square with a touch of even harmonics
        } else if (v == 9) {
            level = 1.0 / h * std::exp(-std::pow((h * r.f0 - 1200.0) / 2500.0, 2.0) * 0.5);
        } else if (v == 10) {
            level = h == 1 ? 1.0 : 0.25 / (h * h);
        }
        levels[static_cast<std::size_t>(h)] = level;
    }
    for (const Voice& voice : voices) {
        double gl, gr;
        panGains(voice.pan, gl, gr);
        const double f = r.f0 + voice.detune;
        std::vector<double> phases(static_cast<std::size_t>(count + 1));
        for (int h = 1; h <= count; ++h) phases[static_cast<std::size_t>(h)] = rng.uniform();
        for (int i = 0; i < n; ++i) {
            const double t = i / RATE;
            const double vibrato = 1.0 + voice.vibratoDepth * std::sin(TWO_PI * voice.vibratoRate * t);
            double y = 0;
            for (int h = 1; h <= count; ++h) {
                const double level = levels[static_cast<std::size_t>(h)];
                if (level < 1e-4) continue;
                y += level * sine(phases[static_cast<std::size_t>(h)] + h * f * t + h * f * voice.vibratoDepth *
                                  (1.0 - std::cos(TWO_PI * voice.vibratoRate * t)) / (TWO_PI * voice.vibratoRate + 1e-9));
            }
            (void)vibrato;
            y *= 0.4 / std::sqrt(static_cast<double>(voices.size()));
            s.audio.add(i, y * gl, y * gr);
        }
    }
    if (v == 10) {
        // Breath: noise in the flute's own band, blended at the seam.
        TSvf left, right;
        for (int i = 0; i < n; ++i) {
            left.run(rng.bipolar(), r.f0 * 3, 1.0);
            right.run(rng.bipolar(), r.f0 * 3, 1.0);
            s.audio.add(i, left.band * 0.05, right.band * 0.05);
        }
    }
    return s;
}

// ---------------------------------------------------------------- FX Loops

TSound fxLoop(int v, TRng& rng) {
    static constexpr const char* kinds[] = {
        "machine hum", "metallic drone", "wind", "rain", "engine rumble", "computer room", "pulse noise groove",
        "clock ticking", "electric crackle", "spaceship interior", "bubbles", "radio static", "metal scrape",
        "shimmer pad", "ring-mod texture", "train clank", "geiger counter", "heartbeat", "noise cloud",
        "low drone", "siren", "morse beeps", "helicopter", "fire crackle", "sonar ambience"};
    TSound s{TStereo(LOOP_FRAMES + LOOP_TAIL), 0, LOOP_FRAMES, kinds[v]};
    const int n = s.audio.size();
    // A sequence of events on a grid that repeats with the loop.
    auto events = [&](int count, double length, double centre, double q, double level, bool tonal) {
        for (int e = 0; e < count; ++e) {
            const int start = static_cast<int>(rng.uniform() * LOOP_FRAMES);
            const double f = centre * rng.range(0.7, 1.4);
            const double pan = rng.uniform();
            double gl, gr;
            panGains(pan, gl, gr);
            TSvf filter;
            const double a = level * rng.range(0.4, 1.0);
            for (int k = 0; k < frames(length); ++k) {
                const double t = k / RATE;
                const double x = tonal ? sine(f * t) : rng.bipolar();
                filter.run(x, f, q);
                const double y = (tonal ? x : filter.band) * a * decay(t, length);
                for (int at = start + k; at < n; at += LOOP_FRAMES) s.audio.add(at, y * gl, y * gr);
                if (start + k >= LOOP_FRAMES) s.audio.add(start + k - LOOP_FRAMES, y * gl, y * gr);
            }
        }
    };
    auto noiseBed = [&](double centre, double q, double level, double wobble, double wobbleRate) {
        TSvf left, right;
        TPink pinkLeft, pinkRight;
        for (int i = 0; i < n; ++i) {
            const double t = i / RATE;
            const double f = centre * (1.0 + wobble * std::sin(TWO_PI * wobbleRate * t));
            left.run(pinkLeft.run(rng.bipolar()) * 3, f, q);
            right.run(pinkRight.run(rng.bipolar()) * 3, f * 1.02, q);
            s.audio.add(i, left.band * level, right.band * level);
        }
    };
    auto tones = [&](std::initializer_list<double> freqs, double level, double beat) {
        int k = 0;
        for (double f : freqs) {
            for (int i = 0; i < n; ++i) {
                const double t = i / RATE;
                const double l = sine(f * t + 0.1 * k), r = sine((f + beat) * t + 0.3 * k);
                s.audio.add(i, l * level, r * level);
            }
            ++k;
        }
    };
    switch (v) {
    case 0:  // 50 Hz mains hum with its buzz
        for (int h = 1; h <= 40; ++h) tones({50.0 * h}, (h % 2 ? 0.3 : 0.15) / h, 0.0);
        noiseBed(3000, 0.7, 0.05, 0, 0);
        s.f0 = 50.0;
        break;
    case 1: tones({110.0, 173.5, 241.0, 389.5, 512.5, 757.0}, 0.15, 0.5); noiseBed(2000, 3, 0.1, 0.3, 0.5); break;
    case 2: noiseBed(700, 1.2, 0.5, 0.6, 0.5); noiseBed(2200, 4, 0.15, 0.4, 1.0); break;
    case 3:
        noiseBed(6000, 0.6, 0.15, 0, 0);
        events(400, 0.006, 4000, 1.5, 0.6, false);
        break;
    case 4: {
        TOsc pulse;
        TSvf low;
        for (int i = 0; i < n; ++i) {
            const double t = i / RATE;
            low.run(pulse.square(30.0 + 2.0 * std::sin(TWO_PI * 0.5 * t), 0.2), 180, 1.2);
            s.audio.add(i, low.low * 0.8, low.low * 0.8);
        }
        noiseBed(300, 1.0, 0.3, 0.1, 1.0);
        break;
    }
    case 5:
        tones({60.0, 120.0}, 0.1, 0.5);
        events(24, 0.08, 1500, 8, 0.25, true);
        noiseBed(5000, 0.8, 0.04, 0, 0);
        break;
    case 6:
        for (int step = 0; step < 16; ++step) {
            const int start = step * LOOP_FRAMES / 16;
            const double level = step % 4 == 0 ? 1.0 : (step % 2 ? 0.35 : 0.6);
            TSvf filter;
            for (int k = 0; k < frames(0.11); ++k) {
                filter.run(rng.bipolar(), 1500 + 3000 * (step % 3), 2.0);
                const double y = filter.band * level * decay(k / RATE, 0.11);
                const double l = y * (step % 2 ? 0.6 : 1.0), r = y * (step % 2 ? 1.0 : 0.6);
                s.audio.add(start + k, l, r);
                if (start + k + LOOP_FRAMES < n) s.audio.add(start + k + LOOP_FRAMES, l, r);
            }
        }
        break;
    case 7:
        for (int tick = 0; tick < 4; ++tick) {
            const int start = tick * LOOP_FRAMES / 4;
            const double f = tick % 2 ? 2600 : 3100;
            for (int k = 0; k < frames(0.03); ++k) {
                const double y = sine(f * k / RATE) * decay(k / RATE, 0.03) + rng.bipolar() * decay(k / RATE, 0.004);
                s.audio.add(start + k, y * 0.7, y * 0.7);
                if (start + k + LOOP_FRAMES < n) s.audio.add(start + k + LOOP_FRAMES, y * 0.7, y * 0.7);
            }
        }
        noiseBed(400, 2, 0.01, 0, 0);
        break;
    case 8:
        events(300, 0.004, 3000, 1.0, 1.0, false);
        tones({100.0, 200.0, 300.0}, 0.05, 0.0);
        break;
    case 9: tones({55.0, 110.0, 165.0, 82.5}, 0.12, 0.5); noiseBed(900, 2.0, 0.15, 0.2, 0.5); break;
    case 10: {
        for (int e = 0; e < 40; ++e) {
            const int start = static_cast<int>(rng.uniform() * LOOP_FRAMES);
            const double f0 = rng.range(300, 1200), length = rng.range(0.02, 0.06);
            double gl, gr;
            panGains(rng.uniform(), gl, gr);
            double phase = 0;
            for (int k = 0; k < frames(length); ++k) {
                const double t = k / RATE;
                phase += f0 * (1.0 + 2.0 * t / length) / RATE;
                const double y = sine(phase) * std::sin(std::numbers::pi * t / length) * 0.6;
                const int at = (start + k) % LOOP_FRAMES;
                s.audio.add(at, y * gl, y * gr);
                if (at + LOOP_FRAMES < n) s.audio.add(at + LOOP_FRAMES, y * gl, y * gr);
            }
        }
        noiseBed(500, 1.0, 0.08, 0.2, 0.5);
        break;
    }
    case 11:
        noiseBed(2500, 0.5, 0.3, 0.3, 1.5);
        tones({1000.0}, 0.05, 0.0);
        events(60, 0.01, 2000, 1, 0.5, false);
        break;
    case 12: {
        TSvf left, right;
        for (int i = 0; i < n; ++i) {
            const double t = i / RATE;
            const double f = 1800 + 1200 * std::sin(TWO_PI * 1.0 * t) + 400 * std::sin(TWO_PI * 3.5 * t);
            left.run(rng.bipolar(), f, 18);
            right.run(rng.bipolar(), f * 1.07, 18);
            const double grit = 0.6 + 0.4 * std::sin(TWO_PI * 7.5 * t);
            s.audio.add(i, left.band * grit, right.band * grit);
        }
        break;
    }
    case 13:
        tones({880.0, 1108.5, 1318.5, 1760.0, 2217.0, 2637.0}, 0.08, 1.0);
        noiseBed(8000, 2, 0.04, 0.2, 0.5);
        break;
    case 14:
        for (int i = 0; i < n; ++i) {
            const double t = i / RATE;
            const double carrier = sine(220.0 * t) + 0.5 * sine(331.5 * t);
            const double mod = sine(157.0 * t + 0.3 * sine(0.5 * t));
            s.audio.add(i, carrier * mod * 0.4, carrier * sine(158.0 * t) * 0.4);
        }
        break;
    case 15:
        for (int hit = 0; hit < 8; ++hit) {
            const int start = hit * LOOP_FRAMES / 8 + (hit % 2 ? frames(0.06) : 0);
            std::vector<TPartial> partials;
            for (double ratio : PLATE) partials.emplace_back(380 * ratio * (hit % 2 ? 1.12 : 1.0), 0.2, 0.25, 0);
            for (int k = 0; k < frames(0.3); ++k) {
                double y = 0;
                for (auto& p : partials) y += p.step();
                const int at = (start + k) % LOOP_FRAMES;
                s.audio.add(at, y * 0.8, y * 0.7);
                if (at + LOOP_FRAMES < n) s.audio.add(at + LOOP_FRAMES, y * 0.8, y * 0.7);
            }
        }
        noiseBed(250, 1.0, 0.25, 0.1, 2.0);
        break;
    case 16: events(70, 0.002, 5000, 0.8, 1.0, false); break;
    case 17:
        for (int beat = 0; beat < 2; ++beat) {
            for (int thump = 0; thump < 2; ++thump) {
                const int start = beat * LOOP_FRAMES / 2 + thump * frames(0.28);
                for (int k = 0; k < frames(0.2); ++k) {
                    const double t = k / RATE;
                    const double y = sine(45 * t + 10 * t * std::exp(-t * 30)) * decay(t, 0.2) * (thump ? 0.7 : 1.0);
                    s.audio.add(start + k, y, y);
                    if (start + k + LOOP_FRAMES < n) s.audio.add(start + k + LOOP_FRAMES, y, y);
                }
            }
        }
        break;
    case 18: events(220, 0.05, 2500, 3, 0.3, true); noiseBed(1500, 0.6, 0.1, 0.5, 0.5); break;
    case 19:
        for (int h = 1; h <= 12; ++h) tones({55.0 * h}, 0.25 / h, 0.0);
        noiseBed(200, 1.5, 0.1, 0.2, 0.5);
        s.f0 = 55.0;
        break;
    case 20: {
        double phase = 0;
        for (int i = 0; i < n; ++i) {
            const double t = i / RATE;
            phase += (700 + 350 * std::sin(TWO_PI * 0.5 * t)) / RATE;
            const double y = std::tanh(3 * sine(phase)) * 0.35;
            s.audio.add(i, y, y * 0.9);
        }
        break;
    }
    case 21: {
        static constexpr int pattern[] = {1, 1, 0, 1, 0, 1, 1, 1, 0, 0, 1, 0, 1, 1, 0, 0};
        for (int step = 0; step < 16; ++step) {
            if (!pattern[step]) continue;
            const int start = step * LOOP_FRAMES / 16;
            const int length = (step % 3 == 0) ? frames(0.1) : frames(0.045);
            for (int k = 0; k < length; ++k) {
                const double y = sine(880.0 * (start + k) / RATE) * std::min(1.0, std::min(k, length - k) / 96.0) * 0.6;
                s.audio.add(start + k, y, y);
                if (start + k + LOOP_FRAMES < n) s.audio.add(start + k + LOOP_FRAMES, y, y);
            }
        }
        // A rhythm first: tuning it to the bank's pitch would slow it eightfold.
        break;
    }
    case 22: {
        TSvf left, right;
        for (int i = 0; i < n; ++i) {
            const double t = i / RATE;
            const double chop = std::pow(0.5 + 0.5 * std::cos(TWO_PI * 12.0 * t), 3.0);
            left.run(rng.bipolar(), 400, 0.8);
            right.run(rng.bipolar(), 420, 0.8);
            s.audio.add(i, left.band * (0.2 + chop), right.band * (0.2 + chop));
        }
        tones({24.0, 48.0}, 0.15, 0.0);
        break;
    }
    case 23:
        noiseBed(350, 0.7, 0.35, 0.3, 1.0);
        events(150, 0.003, 3500, 1, 1.0, false);
        break;
    default: {
        noiseBed(300, 1.5, 0.25, 0.2, 0.5);
        for (int ping = 0; ping < 2; ++ping) {
            const int start = ping * LOOP_FRAMES / 2;
            for (int k = 0; k < frames(0.9); ++k) {
                const double t = k / RATE;
                const double y = sine(1320.0 * t) * decay(t, 0.9) * 0.5;
                const int at = (start + k) % LOOP_FRAMES;
                const double l = y * (ping ? 0.5 : 1.0), r = y * (ping ? 1.0 : 0.5);
                s.audio.add(at, l, r);
                if (at + LOOP_FRAMES < n) s.audio.add(at + LOOP_FRAMES, l, r);
            }
        }
        break;
    }
    }
    return s;
}

// ---------------------------------------------------------------- Vox

struct TVowel {
    double f[5], bandwidth[5], gain[5];
};
// Formant centres for a male voice; female ones are about 17 % higher.
constexpr TVowel AH{{730, 1090, 2440, 3400, 4000}, {90, 110, 160, 250, 300}, {1.0, 0.5, 0.25, 0.12, 0.08}};
constexpr TVowel EH{{530, 1840, 2480, 3400, 4000}, {70, 100, 160, 250, 300}, {1.0, 0.45, 0.3, 0.12, 0.08}};
constexpr TVowel EE{{270, 2290, 3010, 3600, 4200}, {60, 100, 150, 250, 300}, {1.0, 0.25, 0.25, 0.12, 0.08}};
constexpr TVowel OH{{570, 840, 2410, 3400, 4000}, {80, 90, 160, 250, 300}, {1.0, 0.6, 0.12, 0.08, 0.05}};
constexpr TVowel OO{{300, 870, 2240, 3400, 4000}, {60, 90, 150, 250, 300}, {1.0, 0.3, 0.08, 0.05, 0.03}};
constexpr TVowel MM{{250, 1200, 2200, 3300, 4000}, {60, 300, 300, 300, 300}, {1.0, 0.05, 0.03, 0.02, 0.01}};

TVowel blend(const TVowel& a, const TVowel& b, double x, double scale) {
    TVowel out{};
    for (int k = 0; k < 5; ++k) {
        out.f[k] = (a.f[k] + (b.f[k] - a.f[k]) * x) * scale;
        out.bandwidth[k] = a.bandwidth[k] + (b.bandwidth[k] - a.bandwidth[k]) * x;
        out.gain[k] = a.gain[k] + (b.gain[k] - a.gain[k]) * x;
    }
    return out;
}

double formantLevel(const TVowel& vowel, double f) {
    double level = 0;
    for (int k = 0; k < 5; ++k) {
        const double d = (f - vowel.f[k]) / (vowel.bandwidth[k] * 0.5);
        level += vowel.gain[k] / (1.0 + d * d);
    }
    return level;
}

// A sung voice by additive synthesis: harmonics of the glottal source
// (falling 12 dB per octave) weighted by the vowel's formants at their own
// frequency. The vowel may glide from `from` to `to` along `glide`(x).
void singVoice(TStereo& out, int start, int length, double f0, double pan, const TVowel& from, const TVowel& to,
               double (*glide)(double), double vibratoRate, double vibratoDepth, double level, double (*envelope)(double),
               TRng& rng, double vibratoPhase = 0.0) {
    const int count = std::max(1, static_cast<int>(7000.0 / f0));
    std::vector<double> phases(static_cast<std::size_t>(count + 1));
    for (double& p : phases) p = rng.uniform();
    std::vector<double> weights(static_cast<std::size_t>(count + 1));
    double gl, gr;
    panGains(pan, gl, gr);
    double cycle = 0;
    for (int i = 0; i < length && start + i < out.size(); ++i) {
        const double x = i / static_cast<double>(length);
        if (i % 64 == 0) {
            const TVowel vowel = blend(from, to, glide(x), 1.0);
            for (int h = 1; h <= count; ++h)
                weights[static_cast<std::size_t>(h)] = formantLevel(vowel, h * f0) / h;
        }
        const double t = i / RATE;
        // Phase of the fundamental with a sine vibrato (its integral, so the
        // mean pitch stays f0).
        cycle = f0 * t + (vibratoRate > 0 ? f0 * vibratoDepth *
                                                  (std::cos(vibratoPhase) - std::cos(TWO_PI * vibratoRate * t + vibratoPhase)) /
                                                  (TWO_PI * vibratoRate)
                                            : 0.0);
        double y = 0;
        for (int h = 1; h <= count; ++h) y += weights[static_cast<std::size_t>(h)] * sine(phases[static_cast<std::size_t>(h)] + h * cycle);
        y *= level * envelope(x);
        out.add(start + i, y * gl, y * gr);
    }
}

double flat(double) { return 1.0; }
double straight(double x) { return x; }
double there(double) { return 0.0; }
double wowGlide(double x) { return std::sin(std::numbers::pi * x); }
double swell(double x) { return std::sin(std::numbers::pi * std::min(x, 1.0)) * (x < 1 ? 1.0 : 0.0); }
double syllable(double x) { return std::min(1.0, x * 25.0) * (1.0 - smoothStep((x - 0.6) / 0.4)); }
double sixSteps(double x) { return std::floor(std::min(x, 0.999) * 6.0) / 5.0; }
double sixSyllables(double x) { return syllable(x * 6.0 - std::floor(x * 6.0)); }
double quickSyllable(double x) { return std::min(1.0, x * 40.0) * (1.0 - smoothStep((x - 0.35) / 0.65)); }

TSound vox(int v, TRng& rng) {
    struct Sustain { const TVowel* vowel; bool female; const char* kind; };
    static const Sustain sustains[] = {
        {&AH, false, "male ah"},   {&EH, false, "male eh"},   {&EE, false, "male ee"}, {&OH, false, "male oh"},
        {&OO, false, "male oo"},   {&AH, true, "female ah"},  {&EH, true, "female eh"}, {&EE, true, "female ee"},
        {&OH, true, "female oh"},  {&OO, true, "female oo"},
    };
    TSound s;
    if (v < 10 || (v >= 10 && v < 14) || v == 22 || v == 23) {
        // Sustained loops.
        s.audio = TStereo(LOOP_FRAMES + LOOP_TAIL);
        s.loopFrames = LOOP_FRAMES;
        const int n = s.audio.size();
        if (v < 10) {
            const Sustain& row = sustains[v];
            const double f0 = row.female ? 220.0 : 110.0;
            const TVowel vowel = blend(*row.vowel, *row.vowel, 0, row.female ? 1.17 : 1.0);
            singVoice(s.audio, 0, n, f0, 0.5, vowel, vowel, there, 5.0, 0.004, 0.5, flat, rng);
            s.f0 = f0;
            s.kind = row.kind;
        } else if (v < 14) {
            static constexpr const char* kinds[] = {"choir ah", "choir oo", "female choir ah", "male choir oh"};
            const bool female = v == 12;
            const TVowel& base = v == 11 ? OO : v == 13 ? OH : AH;
            const double f0 = female ? 220.0 : 110.0;
            const TVowel vowel = blend(base, base, 0, female ? 1.17 : 1.0);
            // The singers differ in their vibrato's rate, depth and phase, not
            // in their mean pitch: the choir stays in tune with itself.
            for (int k = 0; k < 6; ++k) {
                const double octave = (k == 5 && !female) ? 2.0 : 1.0;
                singVoice(s.audio, 0, n, f0 * octave, k / 5.0, vowel, vowel, there, 4.5 + 0.5 * (k % 4),
                          0.004 + 0.001 * (k % 3), k == 0 ? 0.35 : 0.2, flat, rng, k * 1.1);
            }
            TSvf left, right;
            for (int i = 0; i < n; ++i) {
                left.run(rng.bipolar(), vowel.f[1], 3);
                right.run(rng.bipolar(), vowel.f[1], 3);
                s.audio.add(i, left.band * 0.02, right.band * 0.02);
            }
            s.f0 = f0;
            s.kind = kinds[v - 10];
        } else if (v == 22) {
            // Overtone singing: a narrow formant walks over the harmonics of a drone.
            const double f0 = 110.0;
            TVowel vowel = OO;
            vowel.bandwidth[1] = 30;
            vowel.gain[1] = 3.0;
            const int count = 60;
            std::vector<double> phases(count + 1);
            for (double& p : phases) p = rng.uniform();
            for (int i = 0; i < n; ++i) {
                const double t = i / RATE;
                vowel.f[1] = 1100 + 500 * std::sin(TWO_PI * 0.5 * t);
                double y = 0;
                for (int h = 1; h <= count; ++h) y += formantLevel(vowel, h * f0) / h * sine(phases[h] + h * f0 * t);
                s.audio.add(i, y * 0.25, y * 0.25);
            }
            s.f0 = f0;
            s.kind = "overtone singing";
        } else {
            const TVowel vowel = MM;
            singVoice(s.audio, 0, n, 220.0, 0.5, vowel, vowel, there, 5.0, 0.003, 0.6, flat, rng);
            s.f0 = 220.0;
            s.kind = "humming";
        }
        return s;
    }
    // One-shots.
    switch (v) {
    case 14:
    case 15:
    case 16: {
        static constexpr const char* kinds[] = {"whisper ah", "whisper sh", "whisper ee"};
        const TVowel& vowel = v == 14 ? AH : v == 15 ? EE : EE;
        s.audio = TStereo(frames(0.9));
        s.kind = kinds[v - 14];
        TBiquad formants[2][5];
        for (int side = 0; side < 2; ++side)
            for (int k = 0; k < 5; ++k)
                formants[side][k].set(TBiquad::BAND, v == 15 ? 2500.0 + 1200 * k : vowel.f[k] * (1 + 0.02 * side),
                                      v == 15 ? 2.0 : vowel.f[k] / vowel.bandwidth[k]);
        for (int i = 0; i < s.audio.size(); ++i) {
            const double x = i / static_cast<double>(s.audio.size());
            double out[2];
            for (int side = 0; side < 2; ++side) {
                const double white = rng.bipolar();
                out[side] = 0;
                for (int k = 0; k < 5; ++k) out[side] += formants[side][k].run(white) * (v == 15 ? 0.4 : vowel.gain[k]);
            }
            const double env = swell(x) * 1.5;
            s.audio.add(i, out[0] * env, out[1] * env);
        }
        return s;
    }
    case 17:
    case 18:
    case 19:
    case 20:
    case 21: {
        struct Row { const TVowel* from; const TVowel* to; double (*glide)(double); double f0, seconds; double (*env)(double); const char* kind; };
        static const Row rows[] = {
            {&OO, &AH, wowGlide, 110, 0.9, syllable, "wow"},
            {&EE, &AH, straight, 220, 0.7, syllable, "yeah"},
            {&AH, &EE, straight, 220, 0.45, quickSyllable, "hey"},
            {&OH, &OO, straight, 110, 0.5, quickSyllable, "oh"},
            {&AH, &AH, there, 220, 0.35, quickSyllable, "ha"},
        };
        const Row& r = rows[v - 17];
        s.audio = TStereo(frames(r.seconds));
        singVoice(s.audio, 0, s.audio.size(), r.f0, 0.5, *r.from, *r.to, r.glide, 0.0, 0.0, 0.6, r.env, rng);
        if (v == 21) {
            TSvf noise;
            for (int i = 0; i < frames(0.08); ++i) {
                noise.run(rng.bipolar(), 1500, 0.8);
                s.audio.add(i, noise.band * 0.5 * (1 - i / RATE / 0.08), noise.band * 0.5 * (1 - i / RATE / 0.08));
            }
        }
        TReverb(1.2, 0.4, 600 + v).apply(s.audio, 0.15);
        s.f0 = r.f0;
        s.kind = r.kind;
        return s;
    }
    case 24:
    case 25: {
        // A robot voice: one unbroken buzz whose vowel steps from "ah" to
        // "ee" syllable by syllable; the chant jumps a fifth between syllables.
        s.audio = TStereo(frames(1.2));
        if (v == 24) {
            s.kind = "robot voice";
            singVoice(s.audio, 0, s.audio.size(), 110.0, 0.5, AH, EE, sixSteps, 0.0, 0.0, 0.6, sixSyllables, rng);
            s.f0 = 110.0;
        } else {
            s.kind = "robot chant";
            static const TVowel* steps[] = {&AH, &EE, &OH, &EH, &OO, &AH};
            const int each = s.audio.size() / 6;
            for (int k = 0; k < 6; ++k)
                singVoice(s.audio, k * each, each, 110.0 * (k % 2 ? 1.5 : 1.0), 0.5, *steps[k], *steps[k], there, 0.0,
                          0.0, 0.6, syllable, rng);
        }
        return s;
    }
    case 26:
    case 27: {
        s.audio = TStereo(frames(v == 26 ? 1.1 : 0.9));
        s.kind = v == 26 ? "breath in" : "breath out";
        TSvf left, right;
        for (int i = 0; i < s.audio.size(); ++i) {
            const double x = i / static_cast<double>(s.audio.size());
            const double env = v == 26 ? std::pow(std::sin(std::numbers::pi * x), 1.5) : std::pow(1 - x, 1.5) * std::min(1.0, x * 20);
            const double f = v == 26 ? 900 + 1500 * x : 1400 - 600 * x;
            left.run(rng.bipolar(), f, 1.2);
            right.run(rng.bipolar(), f * 1.05, 1.2);
            s.audio.add(i, left.band * env, right.band * env);
        }
        return s;
    }
    case 28: {
        s.audio = TStereo(frames(1.8));
        s.kind = "ooh swell";
        const TVowel vowel = blend(OO, OH, 0.3, 1.17);
        for (int k = 0; k < 3; ++k)
            singVoice(s.audio, 0, s.audio.size(), 220.0 + 0.5 * (k - 1), 0.25 + 0.25 * k, vowel, vowel, there, 5.0,
                      0.004, 0.35, swell, rng);
        s.f0 = 220.0;
        return s;
    }
    default: {
        s.audio = TStereo(frames(0.8));
        s.kind = "scream";
        const TVowel vowel = blend(AH, EH, 0.3, 1.3);
        singVoice(s.audio, 0, s.audio.size(), 440.0, 0.5, vowel, vowel, there, 7.0, 0.02, 0.6, syllable, rng);
        for (int i = 0; i < s.audio.size(); ++i) {
            s.audio.left[i] = static_cast<float>(saturate(s.audio.left[i] * 2.0, 2.0));
            s.audio.right[i] = static_cast<float>(saturate(s.audio.right[i] * 2.0, 2.0));
        }
        s.f0 = 0.0;  // a wide vibrato: no steady pitch
        return s;
    }
    }
}

// ---------------------------------------------------------------- Cymbals

TSound cymbal(int v, TRng& rng) {
    struct Row { double seconds, low, high, partialDecay, noise, noiseCut, squares, swellSeconds; int partials; const char* kind; };
    static constexpr Row rows[] = {
        {0.12, 3000, 14000, 0.08, 0.8, 7000, 0.8, 0, 40, "closed hi-hat"},
        {0.25, 2500, 12000, 0.15, 0.6, 6000, 1.0, 0, 50, "pedal hi-hat"},
        {0.09, 5000, 16000, 0.06, 1.0, 9000, 0.6, 0, 40, "bright closed hi-hat"},
        {0.18, 1800, 9000, 0.12, 0.6, 4000, 1.0, 0, 40, "dark closed hi-hat"},
        {0.9, 3000, 14000, 0.7, 0.7, 6500, 1.0, 0, 60, "open hi-hat"},
        {0.6, 3500, 15000, 0.45, 0.8, 7500, 0.8, 0, 60, "half-open hi-hat"},
        {1.2, 2200, 11000, 0.9, 0.6, 5000, 1.0, 0, 60, "loose hi-hat"},
        {2.2, 1500, 15000, 1.8, 0.7, 5000, 0.5, 0, 120, "bright crash"},
        {2.4, 900, 9000, 2.0, 0.6, 3500, 0.5, 0, 120, "dark crash"},
        {1.2, 1800, 14000, 1.0, 0.8, 6000, 0.5, 0, 100, "short crash"},
        {2.6, 1200, 13000, 2.3, 0.6, 4500, 0.4, 0, 140, "long crash"},
        {2.0, 2500, 9000, 1.8, 0.25, 6000, 0.2, 0, 90, "ride ping"},
        {2.0, 700, 4000, 1.8, 0.15, 5000, 0.1, 0, 30, "ride bell"},
        {2.2, 1200, 12000, 2.0, 0.5, 4500, 0.3, 0, 130, "ride wash"},
        {0.9, 2500, 16000, 0.8, 0.8, 7000, 0.4, 0, 90, "splash"},
        {0.6, 3500, 16000, 0.5, 0.9, 8000, 0.4, 0, 80, "small splash"},
        {1.8, 800, 7000, 1.5, 1.0, 3000, 0.8, 0, 110, "china"},
        {1.2, 1200, 9000, 1.0, 1.0, 3500, 1.0, 0, 100, "trashy china"},
        {2.2, 2000, 12000, 2.0, 0.9, 5000, 0.3, 0, 100, "sizzle cymbal"},
        {2.0, 1500, 14000, 1.8, 0.7, 5000, 0.5, 0, 110, "reverse cymbal"},
        {3.0, 80, 1800, 3.0, 0.2, 1200, 0.0, 0.6, 90, "gong"},
        {2.0, 2500, 9000, 1.8, 0.05, 6000, 0.0, 0, 20, "bell tree"},
        {2.4, 1500, 13000, 2.0, 0.6, 5000, 0.3, 1.6, 120, "cymbal swell"},
        {1.6, 4200, 12000, 1.5, 0.05, 8000, 0.0, 0, 6, "finger cymbal"},
    };
    const Row& r = rows[v];
    TSound s{TStereo(frames(r.seconds)), 0, 0, r.kind};
    const int n = s.audio.size();
    // Inharmonic partials spread log-evenly with jitter; higher ones die sooner.
    for (int side = 0; side < 2; ++side) {
        std::vector<TPartial> partials;
        for (int k = 0; k < r.partials; ++k) {
            const double x = (k + rng.uniform()) / r.partials;
            const double f = r.low * std::pow(r.high / r.low, x);
            const double life = r.partialDecay * (0.4 + 0.6 * rng.uniform()) * std::pow(r.low / f, 0.25);
            partials.emplace_back(f, rng.range(0.3, 1.0) / std::sqrt(static_cast<double>(r.partials)), life,
                                  rng.uniform() * TWO_PI);
        }
        if (v == 21) {
            // Bell tree: a cascade of small bells falling in pitch.
            partials.clear();
            for (int k = 0; k < 20; ++k) {
                TPartial p(6000.0 * std::pow(0.93, k) * (1 + 0.01 * side), 0.3, 0.8, 0);
                std::vector<float>& channel = side ? s.audio.right : s.audio.left;
                const int start = frames(0.05 * k);
                for (int i = start; i < n; ++i) channel[i] += static_cast<float>(p.step());
            }
        }
        addPartials(side ? s.audio.right : s.audio.left, partials);
    }
    // The metallic ring of six detuned square waves through a band-pass.
    static constexpr double SQUARES[] = {205.3, 304.4, 369.6, 522.7, 540.0, 800.0};
    std::array<TOsc, 6> oscillators{};
    TBiquad ringLeft, ringRight, noiseLeft, noiseRight, lowLeft, lowRight;
    ringLeft.set(TBiquad::HIGH, 6500, 0.7);
    ringRight.set(TBiquad::HIGH, 6800, 0.7);
    noiseLeft.set(TBiquad::HIGH, r.noiseCut, 0.6);
    noiseRight.set(TBiquad::HIGH, r.noiseCut * 1.05, 0.6);
    lowLeft.set(TBiquad::LOW, r.high * 1.2, 0.6);
    lowRight.set(TBiquad::LOW, r.high * 1.2, 0.6);
    const double squareScale = v < 7 ? 1.0 : 1.6;
    for (int i = 0; i < n; ++i) {
        const double t = i / RATE;
        double ring = 0;
        if (r.squares > 0)
            for (int k = 0; k < 6; ++k) ring += oscillators[k].square(SQUARES[k] * squareScale * (v == 17 ? 1.3 : 1.0));
        const double e = decay(t, r.seconds);
        const double eNoise = decay(t, r.seconds * (v == 18 ? 1.0 : 0.7));
        const double l = ringLeft.run(ring) * r.squares * 0.15 * e + noiseLeft.run(rng.bipolar()) * r.noise * eNoise;
        const double rr = ringRight.run(ring) * r.squares * 0.15 * e + noiseRight.run(rng.bipolar()) * r.noise * eNoise;
        s.audio.add(i, l * 0.5, rr * 0.5);
        s.audio.left[i] = static_cast<float>(lowLeft.run(s.audio.left[i]));
        s.audio.right[i] = static_cast<float>(lowRight.run(s.audio.right[i]));
        if (v == 16 || v == 17) {
            s.audio.left[i] = static_cast<float>(saturate(s.audio.left[i] * 2.0, 2.5));
            s.audio.right[i] = static_cast<float>(saturate(s.audio.right[i] * 2.0, 2.5));
        }
    }
    if (r.swellSeconds > 0) {
        // The sound blooms: the gong's shimmer and the mallet roll build up before they fade.
        for (int i = 0; i < n; ++i) {
            const double t = i / RATE;
            const double g = v == 20 ? 0.5 + 0.5 * std::sin(std::min(t / r.swellSeconds, 1.0) * std::numbers::pi * 0.5)
                                     : std::pow(std::min(t / r.swellSeconds, 1.0), 2.0) * 2.5;
            s.audio.left[i] *= static_cast<float>(g);
            s.audio.right[i] *= static_cast<float>(g);
        }
    }
    if (v == 19) {
        const int m = n;
        for (int i = 0; i < m / 2; ++i) {
            std::swap(s.audio.left[i], s.audio.left[m - 1 - i]);
            std::swap(s.audio.right[i], s.audio.right[m - 1 - i]);
        }
    }
    return s;
}

}  // namespace

std::vector<TBankEntry> bankEntries() {
    std::vector<TBankEntry> entries;
    auto family = [&](TRecipe recipe, int count) {
        for (int v = 0; v < count; ++v) entries.push_back({recipe, v});
    };
    // FX Percussive 01-99.
    family(impact, 10);
    family(metalHit, 12);
    family(knock, 10);
    family(zap, 10);
    family(blip, 10);
    family(whoosh, 10);
    family(riser, 8);
    family(glitch, 8);
    family(tonalPercussion, 11);
    family(reverseHit, 5);
    family(noisePercussion, 5);
    // Instrument 01-16, FX Loop 01-25, Vox 01-30, Cymbal 01-24.
    family(instrument, 16);
    family(fxLoop, 25);
    family(vox, 30);
    family(cymbal, 24);
    return entries;
}

}  // namespace bank
