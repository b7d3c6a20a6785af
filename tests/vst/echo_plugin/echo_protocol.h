// What the echo plug-in reports back to the tests that load it. The tests ask
// through effVendorSpecific with index kEchoQuery and a Request in ptr.
#pragma once

#include "vst/vst2_abi.h"

namespace echo {

constexpr vst::int32 kEchoQuery = vst::fourCharCode('e', 'c', 'h', 'o');
constexpr vst::int32 kUniqueID = vst::fourCharCode('E', 'c', 'h', 'o');
constexpr int kNumParams = 4;
// Parameter 1's name is longer than any host buffer should receive.
constexpr int kOverlongNameParam = 1;
constexpr int kOverlongNameLength = 100;

enum What : vst::int32 {
    eventCount = 1,    // -> count
    eventAt,           // item -> event
    timeCount,         // -> count
    timeAt,            // item -> time
    changeCount,       // -> count
    changeAt,          // item -> change
    entryAnswers,      // -> entry
    callHost,          // hostOpcode, hostIndex, hostValue, hostOpt, hostText -> hostAnswer (and hostText filled)
};

struct ReceivedEvent {
    vst::int64 blockStart;  // frames processed before the block the event came with
    vst::int32 type;
    vst::int32 byteSize;
    vst::int32 deltaFrames;
    vst::int32 position;  // index within its VstEvents list
    unsigned char bytes[4];
};

struct SeenTime {
    vst::int64 blockStart;
    vst::int32 blockFrames;
    vst::int32 valid;  // the host answered with a record
    vst::VstTimeInfo info;
};

struct ParameterChange {
    vst::int64 frame;  // frames processed when setParameter came
    vst::int32 index;
    float value;
};

// What the host answered while the entry function ran, before it knew the effect.
struct EntryAnswers {
    vst::intptr version;
    vst::intptr sampleRate;
    vst::intptr blockSize;
    vst::intptr timeInfoGiven;
    char product[256];
    char vendor[256];
    // Bytes past the terminating zero that the host changed (the buffers are
    // prefilled with a pattern): none for a bounded copy.
    vst::int32 productBytesTouchedPastEnd;
    vst::int32 vendorBytesTouchedPastEnd;
};

struct Request {
    vst::int32 what = 0;
    vst::int32 item = 0;
    vst::int64 count = 0;
    ReceivedEvent event{};
    SeenTime time{};
    ParameterChange change{};
    EntryAnswers entry{};
    vst::int32 hostOpcode = 0;
    vst::int32 hostIndex = 0;
    vst::intptr hostValue = 0;
    float hostOpt = 0;
    vst::intptr hostAnswer = 0;
    char hostText[256] = {};
    vst::int32 hostTextIsNull = 0;  // pass a null ptr instead of hostText
};

// Exported by the echo library for tests that open it themselves.
enum EntryMode : int { entryNormal = 0, entryReturnsNull, entryWrongMagic };

}  // namespace echo

extern "C" {
using EchoSetEntryModeProc = void (*)(int mode);
// Fills up to capacity dispatcher opcodes the library saw for lifecycle
// (effOpen, effClose, effSetSampleRate, effSetBlockSize, effMainsChanged,
// effStartProcess, effStopProcess; effMainsChanged is logged as 1000 + value)
// and returns how many there were since the last reset.
using EchoLifecycleProc = int (*)(int* opcodes, int capacity, int reset);
using EchoLiveInstancesProc = int (*)();
}
