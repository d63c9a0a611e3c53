#pragma once

// A stand-in for the system's file calls that records them and fails at a
// chosen step, as a full disk, a failing disk or a vanished directory would.

#include <algorithm>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "platform/Files.h"

namespace tavik::test {

// The system's own calls, each one recorded.
class ScriptedFileCalls : public FileCalls {
public:
    enum class Step { None, Create, Write, Sync, Close, Rename, SyncDirectory };
    Step failAt = Step::None;
    int takenNames = 0;  // the first creations find their name taken
    std::vector<std::string> calls;
    std::vector<std::filesystem::path> created;
    std::vector<std::filesystem::perms> permsAtCreation;

    CreateResult createExclusive(const std::filesystem::path& path, Handle& handle) override {
        calls.push_back("create");
        created.push_back(path);
        if (failAt == Step::Create) return CreateResult::Failed;
        if (takenNames > 0) {
            --takenNames;
            return CreateResult::Exists;
        }
        const CreateResult result = m_native.createExclusive(path, handle);
        if (result == CreateResult::Created)
            permsAtCreation.push_back(std::filesystem::status(path).permissions());
        return result;
    }
    bool writeAll(Handle handle, std::string_view bytes) override {
        calls.push_back("write");
        if (failAt == Step::Write) {
            // Half of it made it to the file before the disk was full.
            m_native.writeAll(handle, bytes.substr(0, bytes.size() / 2));
            return false;
        }
        return m_native.writeAll(handle, bytes);
    }
    bool sync(Handle handle) override {
        calls.push_back("sync");
        return failAt != Step::Sync && m_native.sync(handle);
    }
    bool close(Handle handle) override {
        calls.push_back("close");
        const bool closed = m_native.close(handle);
        return failAt != Step::Close && closed;
    }
    bool rename(const std::filesystem::path& from, const std::filesystem::path& to) override {
        calls.push_back("rename");
        return failAt != Step::Rename && m_native.rename(from, to);
    }
    void remove(const std::filesystem::path& path) override {
        calls.push_back("remove");
        m_native.remove(path);
    }
    bool syncDirectory(const std::filesystem::path& directory) override {
        calls.push_back("syncDirectory");
        return failAt != Step::SyncDirectory && m_native.syncDirectory(directory);
    }
    long long processId() override { return m_native.processId(); }
    // The processes that run, as far as the code under test can tell.
    std::vector<long long> runningProcesses;
    std::vector<long long> askedProcesses;
    bool processExists(long long process) override {
        askedProcesses.push_back(process);
        return std::find(runningProcesses.begin(), runningProcesses.end(), process) != runningProcesses.end();
    }

private:
    FileCalls& m_native = nativeFileCalls();
};

}  // namespace tavik::test
