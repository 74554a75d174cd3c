// A board library that lacks the latch functions, as an adapter written against an older
// header might: the driver must name what is missing and switch nothing.
#include <cstdint>

static int calls = 0;
#define X extern "C" __attribute__((visibility("default")))
X int32_t EPX30SC_GetNumberOfDevices(int32_t* c) { ++calls; *c = 1; return 0; }
X int32_t EPX30SC_Open(int32_t* h) { ++calls; *h = 7; return 0; }
X int32_t EPX30SC_Close(int32_t) { ++calls; return 0; }
X int32_t EPX30SC_SetCounterMode(int32_t, int32_t) { ++calls; return 0; }
X int32_t EPX30SC_SetCounterDirection(int32_t, int32_t) { ++calls; return 0; }
X int32_t EPX30SC_SetCounterControl(int32_t, int32_t) { ++calls; return 0; }
X int32_t EPX30SC_ResetCounter(int32_t) { ++calls; return 0; }
X int32_t EPX30SC_GetCounterValue(int32_t, int32_t* v) { ++calls; *v = 0; return 0; }
X int32_t EPX30SC_SetPortDirection(int32_t, int32_t, int32_t) { ++calls; return 0; }
X int32_t EPX30SC_GetPortDirection(int32_t, int32_t, uint8_t* d) { ++calls; *d = 0; return 0; }
X int32_t EPX30SC_OutputPort(int32_t, int32_t, uint8_t) { ++calls; return 0; }
X int32_t EPX30SC_InputPort(int32_t, int32_t, uint8_t* v) { ++calls; *v = 255; return 0; }
X int32_t Incomplete_Calls() { return calls; }
