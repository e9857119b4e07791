#include "check/ImportFollower.h"

namespace tav::check {

ImportFollower::ImportFollower(Layout layout, std::uint64_t digestBase, std::string path)
    : reader_(std::make_unique<ImportDigestReader>(layout, digestBase)), path_(std::move(path)) {
    thread_ = std::thread([this] {
        try {
            TextReader file;
            file.open(path_, false, growing_.get());
            read_ = reader_->read(file);
        } catch (...) {
            read_ = false;  // the check reads the file again, and meets what failed here
        }
    });
}

std::unique_ptr<ImportDigestReader> ImportFollower::finish() {
    if (!thread_.joinable()) return nullptr;
    growing_->finished(true);
    thread_.join();
    return read_ ? std::move(reader_) : nullptr;
}

void ImportFollower::stop() noexcept {
    if (!thread_.joinable()) return;
    growing_->finished(false);
    thread_.join();
}

}  // namespace tav::check
