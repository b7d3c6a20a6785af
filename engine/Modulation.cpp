// The modulation engine: source values, the eight routes and how they combine
// into the destination rows, the amplitude envelope and the Movement lock.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>

#include "engine/ModMath.h"
#include "engine/ModTables.h"
#include "engine/SoundEngine.h"

namespace {

bool validSource(int src) { return src > source::NONE && src < MOD_SOURCE_COUNT; }

// Effective amount of a route: the amount parameter mapped to -1..1 plus the
// modulation of its amount destination.
float routeAmount(float amountParameter, float amountModulation) {
    return routeAmountLimit(2.0f * amountParameter - 1.0f + amountModulation);
}

// The acting routes in the form the voices apply them every frame. A change
// of the destinations they write moves the route generation on, so that
// every voice resets what the old routes left in its row.
void compileVoiceRoutes(TModState& mod, const TParameterAttributes& attr) {
    bool changed = false;
    for (int k = 0; k < mod.numActiveRoutes; ++k) {
        const int r = mod.activeRoutes[k];
        const TModRoute& route = mod.modRoute[r];
        TVoiceRoute compiled;
        compiled.src = route.src;
        compiled.dest = route.dest;
        compiled.amountDest = ROUTE_AMOUNT_DEST[r];
        compiled.route = r;
        compiled.neutral = mod.neutralModDest()[route.dest];
        compiled.neutralAmountModulation = mod.neutralModDest()[compiled.amountDest];
        switch (route.destType) {
        case DEST_TYPE_RATE: compiled.kind = VOICE_ROUTE_RATE; break;
        case DEST_TYPE_SEMITONES: compiled.kind = VOICE_ROUTE_SEMITONES; break;
        case DEST_TYPE_LEVEL:
            compiled.kind = attr.srcIsBipolar[route.src] ? VOICE_ROUTE_LEVEL_BIPOLAR : VOICE_ROUTE_LEVEL;
            break;
        default: compiled.kind = VOICE_ROUTE_ADDED; break;
        }
        compiled.continuesDest = false;
        for (int j = 0; j < k; ++j)
            if (mod.voiceRoutes[j].dest == route.dest) compiled.continuesDest = true;
        if (k >= mod.voiceRouteCount || mod.voiceRoutes[k].dest != compiled.dest) changed = true;
        mod.voiceRoutes[k] = compiled;
    }
    if (mod.numActiveRoutes != mod.voiceRouteCount) changed = true;
    mod.destRouted.fill(false);
    bool allAddedAlone = true, modulateAmounts = false;
    for (int k = 0; k < mod.numActiveRoutes; ++k) {
        const TVoiceRoute& route = mod.voiceRoutes[k];
        mod.destRouted[route.dest] = true;
        if (route.kind != VOICE_ROUTE_ADDED || route.continuesDest) allAddedAlone = false;
        for (int j = 0; j < mod.numActiveRoutes; ++j)
            if (route.dest == mod.voiceRoutes[j].amountDest) modulateAmounts = true;
    }
    mod.steadyRoutes = modulateAmounts  ? TModState::STEADY_ROUTES_NONE
                       : allAddedAlone ? TModState::STEADY_ROUTES_ADDED
                                       : TModState::STEADY_ROUTES_ANY;
    mod.voiceRouteCount = mod.numActiveRoutes;
    if (changed) ++mod.routeGeneration;
    mod.updateSteadyRouteGeneration();
}

// The eight routes from their parameters: the slots' sources and the sources
// in use, every route's destination, type and bypass, the acting routes in
// route order, and their form for the voices.
void setRoutes(const TParameterAttributes& attr, TModState& mod, const TModState::RouteParameters& parameters) {
    // Sources that cost work per frame are computed only while a slot reads them.
    mod.inputInUse = mod.voiceOutputInUse = mod.lowFiOutputInUse = mod.modFXOutputInUse = false;
    mod.delayOutputInUse = mod.reverbOutputInUse = mod.outputInUse = mod.whiteNoiseInUse = false;
    for (int slot = 0; slot < NUM_MOD_SLOTS; ++slot) {
        const int src = parameterStepOf(attr, MOD_SLOT_SRC_TAGS[slot], parameters[slot]);
        mod.modRoute[slot].src = src;
        switch (src) {
        case source::INPUT: mod.inputInUse = true; break;
        case source::VOICE_OUTPUT: mod.voiceOutputInUse = true; break;
        case source::LOW_FI_OUTPUT: mod.lowFiOutputInUse = true; break;
        case source::MOD_FX_OUTPUT: mod.modFXOutputInUse = true; break;
        case source::DELAY_OUTPUT: mod.delayOutputInUse = true; break;
        case source::REVERB_OUTPUT: mod.reverbOutputInUse = true; break;
        case source::OUTPUT: mod.outputInUse = true; break;
        case source::WHITE_NOISE:
        case source::WHITE_UNIPOLAR_NOISE: mod.whiteNoiseInUse = true; break;
        default: break;
        }
    }

    mod.numActiveRoutes = 0;
    for (int r = 0; r < NUM_MOD_ROUTES; ++r) {
        TModRoute& route = mod.modRoute[r];
        if (r >= NUM_MOD_SLOTS) route.src = ROUTE_FIXED_SRC[r];
        route.dest = std::clamp(parameterStepOf(attr, MOD_DEST_TAGS[r], parameters[NUM_MOD_SLOTS + r]), 0,
                                MOD_DEST_COUNT - 1);
        route.destType = attr.destType[route.dest];
        route.bypass = parameters[NUM_MOD_SLOTS + NUM_MOD_ROUTES + r] >= 0.5f;
        if (route.dest != 0 && !route.bypass) mod.activeRoutes[mod.numActiveRoutes++] = r;
    }
    compileVoiceRoutes(mod, attr);
}

}  // namespace

// ---------------------------------------------------------------- start-up

void TSoundEngine::initModulation() {
    mod.startState();
    initLFOs();

    engine.ribbonSpringOn = false;
    engine.ribbonSpringStep = 0;
}

// ---------------------------------------------------------------- sources

void TSoundEngine::setModSrc(int src, float value) {
    if (!validSource(src)) return;
    mod.globalModSrc()[src] = value;
    for (int v = 0; v < NUM_VOICES; ++v) mod.voiceModSrc(v)[src] = value;
    if (src == source::RIBBON) mod.voiceRibbonSourceKnown = false;
}

void TSoundEngine::setModSrc(int src, float value, int channel) {
    if (!validSource(src)) return;
    if (voices.playMode == PLAY_POLY_MPE) {
        // "Poly MPE": a controller belongs to the voices of its channel.
        if (channel < 0 || channel >= TMidiState::NUM_CHANNELS) return;
        for (int v = 0; v < NUM_VOICES; ++v)
            if (voices.voiceChannel[v] == channel) mod.voiceMidiModSrc(v)[src] = value;
        mod.channelModSrc[channel][src] = value;
        return;
    }
    for (int v = 0; v < NUM_VOICES; ++v) mod.voiceMidiModSrc(v)[src] = value;
}

void TSoundEngine::setModSrc(int voice, int src, float value) {
    if (!validSource(src) || !isValidVoice(voice)) return;
    mod.voiceModSrc(voice)[src] = value;
    // The ribbon writes its source into the voices' rows only when it moves;
    // a row changed behind its back is written again at its next frame.
    if (src == source::RIBBON) mod.voiceRibbonSourceKnown = false;
}

// ---------------------------------------------------------------- routes

void TSoundEngine::buildRoutes() {
    // The routes follow their parameters (slot sources, destinations and
    // bypasses); they are worked out again only when one of these moved.
    TModState::RouteParameters parameters;
    for (int slot = 0; slot < NUM_MOD_SLOTS; ++slot) parameters[slot] = paramValue(MOD_SLOT_SRC_TAGS[slot]);
    for (int r = 0; r < NUM_MOD_ROUTES; ++r) {
        parameters[NUM_MOD_SLOTS + r] = paramValue(MOD_DEST_TAGS[r]);
        parameters[NUM_MOD_SLOTS + NUM_MOD_ROUTES + r] = paramValue(MOD_BYPASS_TAGS[r]);
    }
    if (!mod.routeParametersKnown ||
        std::memcmp(parameters.data(), mod.routeParameters.data(), sizeof parameters) != 0) {
        mod.routeParameters = parameters;
        mod.routeParametersKnown = true;
        setRoutes(parameterAttributes, mod, parameters);
    }

    // The effect outputs are written afresh by the effects after this step.
    for (int src = 52; src <= 55; ++src) setModSrc(src, 0.0f);

    // Amount modulation as the previous step left it.
    std::array<float, NUM_MOD_ROUTES> amountModulation{};
    for (int r = 0; r < NUM_MOD_ROUTES; ++r) amountModulation[r] = mod.globalModDest[ROUTE_AMOUNT_DEST[r]];

    // Only destinations the last pass wrote differ from the neutral row.
    const auto& neutral = mod.neutralModDest();
    for (int k = 0; k < mod.globalTouchedCount; ++k) {
        const int dest = mod.globalTouchedDest[k];
        mod.globalModDest[dest] = neutral[dest];
    }
    mod.globalTouchedCount = 0;

    const auto& sources = mod.globalModSrc();
    for (int k = 0; k < mod.numActiveRoutes; ++k) {
        // The voices' form of the route, compiled from the same list in the same order.
        const TVoiceRoute& route = mod.voiceRoutes[k];
        const int r = route.route;
        const float s = sources[route.src];
        const float a = routeAmount(paramValue(MOD_AMT_TAGS[r]), amountModulation[r]);
        float& d = mod.globalModDest[route.dest];
        // The voice rules, except that a semitone route adds as it stands.
        const TVoiceRouteKind kind = route.kind == VOICE_ROUTE_SEMITONES ? VOICE_ROUTE_ADDED : route.kind;
        d = applyVoiceRoute(d, kind, s, a, mod.globalRatio[static_cast<std::size_t>(r)]);
        mod.globalTouchedDest[mod.globalTouchedCount++] = static_cast<std::uint8_t>(route.dest);
    }
}

void TSoundEngine::applyVoiceRoutes(int voice) {
    if (!isValidVoice(voice)) return;
    auto& dest = mod.voiceModDest(voice);
    const auto& sources = mod.voiceModSrc(voice);
    const int count = mod.numActiveRoutes;
    const TVoiceRoute* const routes = mod.voiceRoutes.data();

    // Amount modulation as the previous frame left it, before anything is written.
    std::array<float, NUM_MOD_ROUTES> amountModulation;
    for (int k = 0; k < count; ++k) amountModulation[k] = dest[routes[k].amountDest];

    if (mod.voiceRouteGeneration[voice] != mod.routeGeneration) {
        // The row was written under other routes (or reset): what they left
        // goes back to neutral, and the row now follows the current routes.
        const auto& neutral = mod.neutralModDest();
        auto& touched = mod.voiceTouchedDest[voice];
        int& touchedCount = mod.voiceTouchedCount[voice];
        for (int k = 0; k < touchedCount; ++k) dest[touched[k]] = neutral[touched[k]];
        for (int k = 0; k < count; ++k) touched[k] = static_cast<std::uint8_t>(routes[k].dest);
        touchedCount = count;
        mod.voiceRouteGeneration[voice] = mod.routeGeneration;
    }

    auto& ratio = mod.voiceRatio[voice];
    for (int k = 0; k < count; ++k) {
        const TVoiceRoute& route = routes[k];
        const float s = sources[route.src];
        const float a = routeAmountLimit(mod.voiceRouteAmountBase[k] + amountModulation[k]);
        float& d = dest[route.dest];
        d = applyVoiceRoute(route.continuesDest ? d : route.neutral, route.kind, s, a, ratio[route.route]);
    }
}

void TSoundEngine::resetVoiceModDest(int voice) {
    if (!isValidVoice(voice)) return;
    mod.voiceModDest(voice) = mod.neutralModDest();
    mod.voiceTouchedCount[voice] = 0;
    mod.voiceRouteGeneration[voice] = TModState::NO_ROUTE_GENERATION;
    mod.forgetSteadyVoice(voice);
    // The voice's chains take their checks again before they next run in lanes.
    for (auto& ready : movement.laneReady) ready &= ~(1u << voice);
}

// ---------------------------------------------------------------- envelope

void TSoundEngine::setEnvs(int voice) {
    if (!isValidVoice(voice)) return;
    auto& vs = voices;
    const auto& dest = mod.voiceModDest(voice);
    const double sampleRate = rate.curSampleRate > 0 ? rate.curSampleRate : START_SAMPLE_RATE;

    const double prev = vs.envValue[voice];
    // The block loop ramps from here to the new level over the next 16 frames.
    vs.envRamp[voice] = prev;

    // Fade-in after the note start: Attack plus "Movement Attack", 0.5 ms .. 8.2 s.
    const float fadeArgument =
        std::max(0.0f, paramValue(tag::ATTACK) + dest[destination::MOVEMENT_ATTACK]) * 14.0f - 1.0f;
    const double fadeMs = mod.fadeTime[voice](fadeArgument);
    vs.fadeStep[voice] = 1.0 / (fadeMs * sampleRate / 1000.0);

    double level = vs.envLevel[voice];
    if (vs.voiceRelease[voice]) {
        if (vs.voiceFastRelease[voice]) {
            level -= 0.2;
        } else {
            // Release plus "Movement Release": 0.5 ms at 0, 8192 ms at 1.
            const float releaseArgument =
                std::max(0.0f, paramValue(tag::RELEASE) + dest[destination::MOVEMENT_RELEASE]) * 14.0f - 1.0f;
            const double releaseMs = mod.releaseTime[voice](releaseArgument);
            level -= 16.0 / (sampleRate * releaseMs / 1000.0);
        }
        level = clampFinite(level, 0.0, 1.0);
        vs.envLevel[voice] = level;
        if (prev < 0.0001 && level < 0.0001) {
            vs.voiceOn[voice] = false;
            vs.voiceRelease[voice] = false;
            vs.voiceFastRelease[voice] = false;
        }
    } else if (vs.envStage[voice] == 0) {
        // 4.8 ms without modulation, 0.8 .. 102.4 ms with "Movement Attack".
        const float attackArgument = clampFinite(dest[destination::MOVEMENT_ATTACK] + 0.37f, 0.0f, 1.0f) * 7.0f + 3.0f;
        const double attackMs = mod.attackTime[voice](attackArgument) / 10.0;
        level += 16.0 / (sampleRate * attackMs / 1000.0);
        if (level > 1.0) {
            level = 1.0;
            vs.envStage[voice] = 2;
        }
        vs.envLevel[voice] = level;
    }

    vs.envValue[voice] = level;
    vs.envStep[voice] = (level - prev) * 0.0625;
}

// ---------------------------------------------------------------- lock

void TSoundEngine::setLockState(int state) {
    const int old = mod.lockState.exchange(state);
    if (old == state) return;
    if (state == 1) {
        mod.lockMoveSpeed = programValue(LFO_SPEED_TAGS[0]);
        mod.lockMoveSync = programValue(LFO_SYNC_ON_TAGS[0]);
    } else if (state == 2) {
        upward.setParameterFromEngine(LFO_SPEED_TAGS[0], mod.lockMoveSpeed);
        upward.setParameterFromEngine(LFO_SYNC_ON_TAGS[0], mod.lockMoveSync);
    }
    handOff.screenUpdatePending = true;
}

int TSoundEngine::getLockState() const { return mod.lockState; }

bool TSoundEngine::getIsLocked() const { return mod.lockState != 0; }

float TSoundEngine::getLockVar(int tag) const {
    if (mod.lockState != 0) {
        if (tag == LFO_SYNC_ON_TAGS[0]) return mod.lockMoveSync;
        if (tag == LFO_SPEED_TAGS[0]) return mod.lockMoveSpeed;
    }
    return programValue(tag);
}
