// TSoundEngine: the instrument's sound. It reads the parameter values, a time
// record per block and the hand-off flags, asks the plug-in around it for
// three things (TEngineHost), and knows nothing of the host or the editor.
// APlugin holds one by value and forwards the host's calls to it; tests and
// benchmarks build one directly.
//
// Where things happen, one source file each:
//   engine/BlockLoop.cpp    the block loop: the three paths of a block, MIDI at
//                           its frame, housekeeping, the global control step
//   engine/VoicePass.cpp    the voice pass: the sixteen voices of one frame,
//                           pitch, source, distortion, filter and the mix
//   engine/EffectsGate.cpp  the effects' place: the silence gate and the
//                           chain (engine/fx/) between the mix and the output
//                           stage, its controls, initFX at every reset
//   engine/Voices.cpp       notes, voice allocation, play and portamento modes
//   engine/Modulation.cpp   sources, routes, envelope, the Movement lock
//   engine/Movement.cpp     Movement and Free LFO (lanes: MovementLanes.h)
//   engine/EditorReadouts.cpp  what the editor's displays read, published per block
//   engine/Midi.cpp         the event queue, controllers, MIDI learn
//   engine/Ribbon.cpp       the ribbon and its spring
//   engine/Output.cpp       units, filters, volumes, the output stage's parts
//   engine/dsp/             plain DSP units and tables; engine/fx/ the effects
//                           units, engine/sample/ the sample players
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

#include "engine/EcsFile.h"
#include "engine/EditorReadouts.h"
#include "engine/EngineHost.h"
#include "engine/EngineState.h"
#include "engine/MidiState.h"
#include "engine/ModState.h"
#include "engine/MovementState.h"
#include "engine/OutputState.h"
#include "engine/ParameterModel.h"
#include "engine/TuningFile.h"
#include "engine/VoiceState.h"
#include "engine/VoiceUnits.h"
#include "engine/fx/EffectsChain.h"

// The host's sample rate and what follows from it and the tempo: written only
// by setSampleRate and the control step, read by every engine unit.
struct TRates {
    float curSampleRate = 0;
    double curSampleRateD = 0;
    float invSampleRate = 0;
    float overSampleRate = 0;  // voices run at twice the host rate
    float invOverSampleRate = 0;
    float dcCoef = 0;
    float barFactor = 0;
    float rateOverTempo = 0;
    float samplesPerBar = 0;
    float tempo = 120;  // host tempo in BPM; 120 until the host tells us otherwise
};

class TSampleBank;
class TSampleData;
struct TSampleState;
struct TUserSampleSettings;

class TSoundEngine {
public:
    static constexpr float START_SAMPLE_RATE = 44099.0f;

    TSoundEngine(const TParameterAttributes& attr, TParameterValues& values, THandOffFlags& flags,
                 TEngineHost& host);
    ~TSoundEngine();
    TSoundEngine(const TSoundEngine&) = delete;
    TSoundEngine& operator=(const TSoundEngine&) = delete;

    // Start-up: the MIDI preferences, the tables and units, the modulation
    // engine, and a reset (before the audio thread runs; once). The tuning
    // table starts as the identity.
    void start();

    // ---- the block loop (engine/BlockLoop.cpp)
    void processReplacing(float** inputs, float** outputs, std::int32_t sampleFrames, const TBlockTime& time);
    // The accumulating entry renders nothing; it only drains the MIDI due.
    void processDeprecated(std::int32_t sampleFrames);
    // Any thread: the rate is taken, and everything that follows from it
    // set up, by the audio thread at the start of its next block (or by start()).
    void setSampleRate(float rate);
    const TRates& rates() const { return rate; }
    // Frame pieces that tests run one by one: the effects chain on the voice
    // mix (engine/EffectsGate.cpp), then the output stage (engine/Output.cpp).
    void applyFX();
    void runOutputStage();
    // The Gator's running step, 0..15, for the editor (any thread).
    int getGaterPos() const { return fx.getGaterPos(); }

    // ---- MIDI input (engine/Midi.cpp)
    // Queues one event at its frame offset (the host's thread that hands
    // over the block's events): 250 wait at most, and a note-off is never lost.
    void queueMidiEvent(TMidiEvent event);
    // Hands every event due in this frame to the engine (audio thread).
    void processMidi(long frame);
    void setMIDILatch(int tag, bool arm);
    // Binds a controller 0..127 to a tag and keeps the binding (editor thread).
    void bindController(int controller, int tag);
    void resetMIDI();
    void resetMIDICapture();
    void updateMIDIChannel(bool force);
    // Reads the controller map and the MIDI switches from the preferences
    // (start-up and whenever the settings change; never the audio thread).
    void loadMIDIPreferences();
    // The whole controller map, as an ECS file holds it (any thread).
    TEcsMap getControllerMap() const;
    // Editor thread: every entry into the map and the preferences, then soft
    // takeover starts afresh, as after loading an ECS file.
    void setControllerMap(const TEcsMap& map);
    // Whether a controller bound to the tag moves it: only tags the editor
    // shows a control for. A map may name any tag (a file, an old
    // preference), but the program trigger or a character of a stored name
    // must not be rewritten at every controller message.
    bool isControllerTarget(int tag) const;

    // ---- notes and voices (engine/Voices.cpp)
    void midiNoteDown(int note, int velocity, int channel);
    void midiNoteRelease(int note, int channel);
    void setNotePressed(int voice, int note, int velocity, bool retrigger);
    void getNextCurVoice();
    void setVoiceOn(int voice);
    void setVoiceOff(int voice);
    void setVoiceTotallyOff(int voice);
    void turnAllVoicesOff();
    void setEverythingOff(bool hard);
    bool isValidVoice(int voice) const { return static_cast<unsigned>(voice) < NUM_VOICES; }
    bool getIsVoicePlaying(int voice) const { return isValidVoice(voice) && voices.voiceOn[voice]; }
    int getNotesOn() const;
    int getNotesPlaying() const;
    void setLastVoice();
    float getPitchBendValue(int tag, float x);
    void updateBaseNote();
    // Pitch of a MIDI note in semitones, through the tuning table when one is on.
    float getTuning(int note) const;
    // Audio thread, program application: the program names its tuning by
    // file, which the audio thread must not read; a non-audio thread takes
    // the request (tuning.takeRebuildRequest) and publishes the table.
    void requestTuningForProgram() { tuning.requestRebuild(); }
    // Editor thread: the request is taken by the audio thread at its next block.
    void previewNoteOn();
    void previewNoteReleased();
    void requestReset();
    // Every voice off at the next block, and nothing else: the effects' tails,
    // the LFOs and the Gator go on (the samples were reloaded under them).
    void requestAllVoicesOff();
    // Audio thread (program application and the block start).
    void reset();

    // ---- modulation (engine/Modulation.cpp)
    // Start-up: the neutral row, the routes, the LFOs and the ribbon spring.
    void initModulation();
    void setModSrc(int src, float value);
    void setModSrc(int src, float value, int channel);
    // One voice's row only (no caller in the instrument; tests set a voice apart).
    void setModSrc(int voice, int src, float value);
    void setEnvs(int voice);
    bool isValidModSlot(int slot) const { return slot >= 0 && slot < 4; }
    bool isValidSrc(int src) const { return src >= 1 && src <= 62; }
    // A voice's destinations back to neutral (note start, everything off).
    void resetVoiceModDest(int voice);
    // Editor read-outs: any thread. They read only what the audio thread
    // published at the end of its last block (readouts), never its working state.
    float getModValue(int tag) const;
    void getWaveDisplay(int points, float zoom, float* out) const;
    // Audio thread, at the end of every block: publishes what the read-outs show.
    void publishEditorReadouts();
    // Movement lock (user-interface thread).
    void setLockState(int state);
    int getLockState() const;
    bool getIsLocked() const;
    float getLockVar(int tag) const;

    // ---- Movement and Free LFO (engine/Movement.cpp)
    void initLFOs();
    float getMovementValue(int mode, float x);
    // Read-outs (any thread): the Movement phase and pan of the voice started
    // last, as published with the last block.
    float getMovementPos() const;
    float getPan() const;

    // ---- ribbon (engine/Ribbon.cpp)
    int getRibbonQuant();
    int getRibbonSpringTime();
    // Audio thread (housekeeping, the control step, tests that drive the
    // engine): stop or start the spring now.
    void setRibbbonSpringOff();
    void setRibbonSpringOn();
    // Editor thread: the same, taken by the audio thread at its next block.
    void requestRibbonSpringOff();
    void requestRibbonSpringOn();
    // One frame of the ribbon (settings at the control step, spring, source 49).
    void updateRibbon();

    // ---- samples (engine/Samples.cpp)
    // The process's built-in bank; before the audio thread runs.
    void setSampleBank(std::shared_ptr<const TSampleBank> bank);
    // Any thread: the user sample was loaded from its folder and "Sample
    // Loaded" is on (whether the slot holds data is asked of the slot).
    bool userSampleUsable() const;
    TUserSampleSettings userSampleSettings() const;
    // Program application (the audio thread, or the editor's for compare and
    // revert): the user sample follows "Sample Loaded" and the path in the
    // program; the slot is silent until a thread that may read files has
    // loaded it (samples.userSample's load request). Two atomic steps.
    void requestUserSampleForProgram();
    // Editor thread: start a preview (TSampleState::PREVIEW_FILE or
    // PREVIEW_USER) at a frame, or stop it (PREVIEW_STOP); taken at the next block.
    void requestSamplePreview(int kind, double startPos);

    // ---- units, filters and the output stage (engine/Output.cpp)
    // Builds the per-instance engine tables and the process-wide tables the
    // voices read (start-up, before the audio thread runs; once).
    void initEngineUnits();
    void initFilters();
    void updateBrickFilter();
    void updateVolumes();
    float getMainVolumeGain() const { return output.mainVolumeGain; }

    // ---- the parameters as the engine reads them: every read goes through
    // these. The current value, its step, its switch, and the value the host
    // reads back (held to 0..1).
    float paramValue(int tag) const { return parameterValueOf(parameterValues, tag); }
    int paramStep(int tag) const { return paramStep(tag, paramValue(tag)); }
    int paramStep(int tag, float value) const { return parameterStepOf(parameterAttributes, tag, value); }
    bool paramOn(int tag) const { return parameterOnOf(parameterValues, tag); }
    float programValue(int tag) const { return programValueOf(parameterValues, tag); }
    const TParameterAttributes& attributes() const { return parameterAttributes; }

    // ---- what the plug-in's other threads hand to the engine through
    // objects of their own: the tuning table a worker publishes, the sample
    // slots the sample library loads into.
    TTuningTableHolder& tuningHolder() { return tuning; }
    TSampleState& sampleSlots() { return samples; }
    // Editor thread: a built-in program was chosen while another was being
    // applied; the block loop loads it once that application ends.
    void requestProgramFromNumber() { engine.waitingProgramFromNo.store(true, std::memory_order_release); }

private:
    // Tests reach the state below through it (tests/engine/engine_test_access.h).
    friend struct TEngineTestAccess;

    // The engine's state, one plain struct per concern.
    TEngineState engine;
    TVoiceState voices;
    TModState mod;
    TOutputState output;
    TVoiceUnits units;
    TMovementState movement;
    TMidiState midi;
    TTuningTableHolder tuning;
    // The "Sample" source's state (engine/SampleState.h, which its users
    // include: its names stay out of every file that sees the engine).
    std::unique_ptr<TSampleState> sampleState;
    TSampleState& samples;
    TEditorReadouts readouts;
    // The effects chain: it reads the engine's tables and draws from the
    // block loop's random seed, so it comes after both.
    TEffectsChain fx{units.engineTables, engine.randSeed};

    // Block loop pieces (engine/BlockLoop.cpp).
    void takeBlockRequests();
    void takeSampleRate();
    void renderSilentFrame(int frame, float** outputs);
    void renderPreview(float** outputs, std::int32_t sampleFrames);
    // Samples (engine/Samples.cpp).
    void beginSampleBlock();
    void endSampleBlock();
    void takePreviewRequest();
    void setSampleSlotFrame();
    void startVoiceSample(int voice);
    stereoOverStruct renderVoiceSample(int voice);
    void renderNormal(float** inputs, float** outputs, std::int32_t sampleFrames);
    void runHousekeeping(bool screenUpdateWasPending);
    void runGlobalControlStep();
    void applyPendingProgram();
    void applyProgramToEngine();
    // The effects' place (engine/EffectsGate.cpp).
    float silenceGateLimit() const;
    void initFX();
    TFxControls fxControls() const;
    void publishFXSources();
    // The voice pass (engine/VoicePass.cpp).
    void renderVoices();
    void runVoice(int voice);
    void drawVoiceRandFactors(int voice);
    void runVoiceSteps();
    void runVoiceControlStep(int voice);
    void renderSource(int voice);
    void setSourceFrameInput();
    void doDistort();
    void doFilter();
    // MIDI and notes.
    void handleMidiEvent(const TMidiEvent& event);
    void handleController(int controller, int value, int channel);
    void releasePreviewNoteNow();
    void startPreviewNoteNow();
    void stopAllForPreview();
    // Modulation steps the loop calls (engine/Modulation.cpp, engine/Movement.cpp).
    void buildRoutes();
    void applyVoiceRoutes(int voice);
    void setGlobalLFOS();
    void setVoiceLFOS(int voice);
    void prepareVoiceLFOs(int voice);
    void runVoiceLFOs(std::uint32_t started, std::uint32_t stepDue);
    void initVoiceLFO(int voice, int lfo);
    void initGlobalLFO(int lfo);
    void refreshLFOSettings(TLfoState& lfo, int which, const TModState::Row& dest, float centerNote, float velocity);
    void refreshMovementCurves(int voice);
    double lfoIncrement(int which);

    // What the engine is built with (see the constructor).
    const TParameterAttributes& parameterAttributes;
    TParameterValues& parameterValues;
    THandOffFlags& handOff;
    TEngineHost& upward;
    TRates rate;
    TBlockTime blockTime;
};
