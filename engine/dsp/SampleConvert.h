// Tables that turn stored sample words into floats in -1..1, shared by every
// plug-in instance in the process.
#pragma once

// A 16-bit word read as two's complement, over 32768.
extern float sampleConvert[65536];
// An unsigned 8-bit WAV sample, centred on 128.
extern float wave8BitConvert[256];
// A signed 8-bit sample (AU and AIFF), over 128.
extern float au8BitConvert[256];

// Fills the three tables the first time it is called in the process; safe to
// call from several threads at once. Call before any sample is read.
void buildSampleConvertTables();
