// A fault seam in the file layer, for tests of failure paths: the atomic whole-file
// writer (writeFileAtomically, and through it every property-list, archive, data,
// string and picture write of the platform) can be made to fail one of its system
// calls with a chosen error, as a full or failing disk would.
//
//   ns::failFileOperation(ns::FileOperation::fsync, 1, ENOSPC);  // the next fsync fails
//   EXPECT_FALSE(writer());                                        // … and is reported
//   ns::clearFileFaults();
//
// Calls are counted per operation from the moment a fault is armed; the n-th one
// fails once and the fault is spent.  Nothing is armed unless a test arms it.
#pragma once

namespace ns {

enum class FileOperation { write, fsync, rename };

// Makes the `nth` call (1 = the next one) of `operation` inside atomic writes fail
// with `error` (ENOSPC, EIO, …).  Arming an operation again replaces its fault.
void failFileOperation(FileOperation operation, int nth, int error);

// Disarms every fault.
void clearFileFaults();

}  // namespace ns
