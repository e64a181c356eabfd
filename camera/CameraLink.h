// The camera link: the camera pane's state and every storage operation on the
// camera, over a CameraDriver and reporting to the user through a CameraUi,
// with the connection state those operations read and keep (a failed transfer
// closes the camera; the media check learns the stick's state).
//
// The connection's lifecycle (camera/CameraConnection.h) is built on it and
// is the only other writer of that state; the file operations take the link.
// All calls come from one thread at a time (the user-interface thread, or the
// transfer or format thread while the storage poll is stopped); the class
// takes no locks.
#pragma once
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "camera/CamEntry.h"
#include "camera/CameraDriver.h"
#include "camera/CameraProtocol.h"
#include "camera/CameraUi.h"

// What the camera pane holds of the Memory Stick.
enum class MediaState {
  Unchecked,   // before the first check
  Listed,      // a Memory Stick is listed in the camera pane
  NoneUsable,  // no usable Memory Stick: the placeholder row
};

// Answers of the operations below: 1 go on / done, 0 stop / failed.
class CameraLink {
 public:
  CameraLink(CameraDriver& driver, CameraUi& ui);

  // Connection state, read only: the link's operations and the lifecycle keep it.
  bool DeviceOpen() const { return deviceOpen_; }
  // The last CheckMedia found a usable Memory Stick.
  bool MediaReady() const { return mediaReady_; }
  MediaState Media() const { return mediaState_; }
  // The stick in the camera is not formatted: the placeholder reads
  // "MemoryStick" and the Format button stays offered after a loss.
  bool UnformattedStick() const { return unformattedStick_; }
  // A listing was shown, so a loss or a format problem is announced.
  bool MediaNotified() const { return mediaNotified_; }
  // The last media check ended because the user interface gave up waiting
  // for a camera that kept examining its stick (KeepWaitingForStick).
  bool GaveUpExamining() const { return gaveUpExamining_; }
  // The last listing ended on a short bulk read instead of the camera's end
  // record: rows may be missing. (A short read is a valid end to the window,
  // which shows what came; orin-cam tells a missing row apart by it.)
  bool ListingCutShort() const { return listingCutShort_; }

  // The camera pane.
  std::string camPath = "\\";  // last component only: "\", "DCIM", "QXMOV" or a DCF folder
  int parentKind = 0;          // PARENT_ROOT, PARENT_DCIM or PARENT_QXMOV
  uint64_t totalCapacity = 0;  // bytes, from the last listing
  CamEntryList folders;        // the root row first when a Memory Stick is listed
  CamEntryList files;

  CameraDriver& Driver() { return driver_; }

  // Device_Open; the connection is open when it answers non-zero.
  int OpenDevice();
  // Device_Close; the connection is closed.
  void CloseDevice();
  // REQ_SET_MODE with MODE_RELEASE, MODE_STORAGE or MODE_CAMERA; the result of the request.
  int SetMode(int mode);

  // Turns the result of `request` and the camera's status byte into 1 (go on)
  // or 0, telling the user what failed. A failed transfer means the camera is gone.
  int CheckCamStatus(int request, int result);

  // Moves the camera to `name` ("\", "..", "DCIM", "QXMOV" or a folder of the
  // listing) and follows it with the camera path and parent kind.
  int ChangeCamFolder(std::string_view name);
  // Reads the camera's current folder into `folders` and `files`, keeping only
  // what the camera pane shows there. 1 when the camera listed it without error.
  int ListCamFolder();
  // 1 when a usable Memory Stick is in the camera.
  int CheckMedia();
  // The last CheckMedia found the camera examining the stick, as it does
  // with one just put in.
  bool StickExamined() const { return stickExamined_; }
  // Creates DCIM, QXMOV, 100QXCAM and 100QXMSC where missing (only from the
  // root). 1 when every step worked, so that all four are there.
  int EnsureDefaultFolders();
  // One folder in the current folder, dated now.
  int MakeCameraFolder(std::string_view name);
  // One file of the current folder.
  int DeleteCameraFile(std::string_view name);
  int RenameCameraFile(std::string_view oldName, std::string_view newName);
  // Before any change to the Memory Stick: 0 (and the user told) when it is
  // write-protected. Leaves the storage poll stopped when it answers 1.
  int CheckWriteProtect();
  // The camera pane after the loss of the Memory Stick or the camera: the
  // placeholder row only, the pane disabled.
  void ResetCameraPane();
  // Forgets the camera lists (the pane keeps its rows until filled again).
  void ClearLists();

  // REQ_FORMAT: the result of the transfer (0: it never reached the camera);
  // whether the camera formatted is told by the media check after it.
  int SendFormat();
  // After a format that the media check passed: the stick is usable and
  // listed, whatever it was before.
  void StickFormatted();

  // REQ_MEDIA_STATUS once; nothing when the read fails.
  std::optional<MediaStatus> ReadMediaStatus();

  // The camera pane's rows in listing order (row 0 the root row): their
  // texts, and as commands take them.
  std::vector<std::string> PaneRowNames() const;
  std::vector<CamFileRow> PaneRows() const;

  // REQ_GET_CAPACITY; a failed read counts as 0 free and 0 total.
  Capacity ReadCapacity();
  // The free space before an upload: read twice 100 ms apart, the second
  // reply counts; nothing when the second read fails.
  std::optional<Capacity> ReadCapacityForUpload();

  // Uploads `size` bytes from `source` (fills up to n bytes, returns the count
  // or -1) as `name` with `stamp`, in 16384-byte blocks ended by a shorter
  // (possibly empty) block. `onBlock` runs after every block. 1 when every
  // block went whole; 0 means "Failed to write file." for the caller.
  int WriteCameraFile(std::string_view name, uint32_t size, const CamDateTime& stamp,
                      const std::function<int(uint8_t*, int)>& source,
                      const std::function<void()>& onBlock);

  // Downloads `name` of `size` bytes into `sink` in pieces of at most 16384
  // bytes until a short piece. The caller has run the readiness check.
  struct ReadResult {
    uint64_t total = 0;   // bytes the camera sent
    bool sinkOk = true;   // every piece was taken by the sink
  };
  ReadResult ReadCameraFile(std::string_view name, uint32_t size,
                            const std::function<bool(const uint8_t*, int)>& sink,
                            const std::function<void()>& onBlock);

  // The whole file in one bulk read ("Failed to read file." when it does not
  // arrive whole), then the status check under `statusRequest` (0 or REQ_READ_FILE).
  std::optional<std::vector<uint8_t>> ReadWholeFile(std::string_view name, uint32_t size,
                                                    int statusRequest);

 protected:
  // Connection state, for the lifecycle built on the link.
  bool deviceOpen_ = false;
  bool mediaReady_ = true;
  MediaState mediaState_ = MediaState::Unchecked;
  bool unformattedStick_ = false;
  bool mediaNotified_ = false;
  bool gaveUpExamining_ = false;
  bool listingCutShort_ = false;
  bool stickExamined_ = false;

  CameraUi& Ui() { return ui_; }
  // Every control transfer goes through these two.
  int Write(int request, int value, int index, int length, const void* data);
  bool Read(int request, void* data, int length);

 private:
  // Bulk_IN with the count held to [0, length], whatever the driver answers.
  int BulkIn(void* data, int length);
  void CameraGone();
  void SetPlaceholder();
  bool HasFolderRow(std::string_view name) const;
  bool HasFolderRowContaining(std::string_view part) const;
  bool KeepRecord(const CamEntry& entry) const;

  CameraDriver& driver_;
  CameraUi& ui_;
};
