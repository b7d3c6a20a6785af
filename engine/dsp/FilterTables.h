// Coefficient tables of the voice filters, shared by every plug-in instance in
// the process. A coefficient is read as Table[int(x * 262143)] for a control
// value x in 0..1, so a filter pays one multiply, one conversion and one load
// per sample instead of a transcendental function.
#pragma once

constexpr int FILTER_TABLE_SIZE = 262144;

// Written once by buildFilterTables(), read-only afterwards.
extern float FilterSine[FILTER_TABLE_SIZE];
extern float Filter2Sine[FILTER_TABLE_SIZE];
extern float Filter2Cos[FILTER_TABLE_SIZE];
extern float Filter12Lo2[FILTER_TABLE_SIZE];
extern float Filter12Hi2[FILTER_TABLE_SIZE];
extern float FilterZTan[FILTER_TABLE_SIZE];
extern float FilterTanBP[FILTER_TABLE_SIZE];
extern float FilterMFF[FILTER_TABLE_SIZE];
extern float FilterMFP[FILTER_TABLE_SIZE];
extern float FilterMFQ[FILTER_TABLE_SIZE];
extern float FilterVoxC[FILTER_TABLE_SIZE];
extern float FilterVoxD[FILTER_TABLE_SIZE];
extern float FilterZQ[FILTER_TABLE_SIZE];
extern float FilterTmpqs[FILTER_TABLE_SIZE];
extern float FilterInvTmpq[FILTER_TABLE_SIZE];

// Fills the fifteen tables the first time it is called in the process; later
// calls, from any thread, return once the tables are complete. Call it from
// instance construction, before audio can run.
void buildFilterTables();
