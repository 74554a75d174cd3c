/* The USB counter and digital-I/O board library as the dome driver loads it at run time.
 *
 * A library for a real board (the vendor's, or an adapter of your own around it) exports
 * exactly these C functions; each returns 0 on success and any other number on failure. The
 * driver finds the library by the setting DOME/BoardLibrary (a path, or a file name in the
 * program folder), else libEPX30SC.so in the program folder, else the simulated board
 * (boards/libepx30sc-sim.so beside the programs), which is one implementation of this interface.
 *
 * The mode, direction and control codes are the library's own; the driver passes on
 * SetCounterMode 1, SetCounterDirection 0 or 1 (the DOME/UpDown setting) and
 * SetCounterControl 1. Ports 0 and 1 are the relay outputs, port 2 the inputs (the weather
 * sensors); port direction 1 = output. The latch holds the count at the index mark.
 *
 * Optional, for the simulated board only:
 *   void EPX30SC_Sim_Configure(const char* programFolderUtf8, const char* settingsPathUtf8);
 *   int32_t EPX30SC_Sim_IsSimulated(void);   returns 1
 */
#ifndef ORVAN_BOARD_LIBRARY_API_H
#define ORVAN_BOARD_LIBRARY_API_H
#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

int32_t EPX30SC_GetNumberOfDevices(int32_t* count);
int32_t EPX30SC_Open(int32_t* handle);
int32_t EPX30SC_Close(int32_t handle);
int32_t EPX30SC_SetCounterMode(int32_t handle, int32_t mode);
int32_t EPX30SC_SetCounterDirection(int32_t handle, int32_t direction);
int32_t EPX30SC_SetCounterControl(int32_t handle, int32_t control);
int32_t EPX30SC_ResetCounter(int32_t handle);
int32_t EPX30SC_GetCounterValue(int32_t handle, int32_t* value);
int32_t EPX30SC_GetCounterLatchFlag(int32_t handle, int32_t* flag);
int32_t EPX30SC_GetCounterLatchValue(int32_t handle, int32_t* value);
int32_t EPX30SC_SetPortDirection(int32_t handle, int32_t port, int32_t direction);
int32_t EPX30SC_GetPortDirection(int32_t handle, int32_t port, uint8_t* direction);
int32_t EPX30SC_OutputPort(int32_t handle, int32_t port, uint8_t value);
int32_t EPX30SC_InputPort(int32_t handle, int32_t port, uint8_t* value);

#ifdef __cplusplus
}
#endif
#endif
