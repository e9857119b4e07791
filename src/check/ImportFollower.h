#pragma once
// The import file read back on a thread of its own while the conversion writes it. The
// thread follows the writer through a handle of its own on the temporary file and reads,
// with the digest reader, what the writer has flushed so far, never what it holds in
// memory, so that a fault of the writer still shows. The run ends the reading before the
// file takes its place (Windows renames no file that another handle holds open), and
// before it drops the file when the run fails.

#include <cstdint>
#include <memory>
#include <string>
#include <thread>

#include "check/ImportFileReader.h"
#include "safe/TextReader.h"

namespace tav::check {

class ImportFollower {
public:
    // Starts reading the file at `path`, which the writer tells `growing()` about, from
    // its first byte. Raises when no thread can be started.
    ImportFollower(Layout layout, std::uint64_t digestBase, std::string path);
    ~ImportFollower() { stop(); }
    ImportFollower(const ImportFollower&) = delete;
    ImportFollower& operator=(const ImportFollower&) = delete;

    const std::shared_ptr<GrowingFile>& growing() const { return growing_; }
    // The writer has written the whole file: waits for the reading to reach its end. The
    // reading, or nothing when the file could not be read whole (a line of another shape,
    // a failure to read).
    std::unique_ptr<ImportDigestReader> finish();
    // Gives the reading up, at once, and waits for its thread to end.
    void stop() noexcept;

private:
    std::shared_ptr<GrowingFile> growing_ = std::make_shared<GrowingFile>();
    std::unique_ptr<ImportDigestReader> reader_;
    std::string path_;
    bool read_ = false;  // by the thread: to the file's end
    std::thread thread_;
};

}  // namespace tav::check
