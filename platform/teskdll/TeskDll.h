// The camera driver library: six plain C functions. The library keeps the one
// open camera to itself; no handle crosses this interface.
//
// The backend is chosen at Device_Open from the environment:
//   ORIN_CAMERA=usb        (default) the first USB device matching ORIN_USB_ID=vvvv:pppp
//                          (unset: the id the library was built with, CMake's ORIN_USB_ID)
//   ORIN_CAMERA=sim:PATH   the camera simulator listening on the Unix socket PATH
#pragma once

#ifdef __cplusplus
extern "C" {
#endif

// Non-zero when a camera is open, 0 when none was found. After a 0, errno
// tells why: EBUSY when the camera is there but another program holds it
// (its USB interface is claimed, or the simulator serves another session),
// ENODEV for every other reason.
int Device_Open(void);
// Releases everything; harmless when nothing is open.
void Device_Close(void);
// Vendor control transfer host to camera of length bytes from data. Non-zero: done.
int Vendor_Write(int request, int value, int index, int length, void* data);
// Vendor control transfer camera to host of length bytes into data. Non-zero: done.
int Vendor_Read(int request, int value, int index, int length, void* data);
// Reads up to length bytes from the bulk-in pipe; returns the bytes received.
int Bulk_IN(void* data, int length);
// Writes length bytes to the bulk-out pipe; returns the bytes sent.
int Bulk_OUT(void* data, int length);

#ifdef __cplusplus
}
#endif
