// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <functional>
#include <optional>

// Where a file's output goes, and the file operations that write it there safely.
namespace OutputNaming {

// The candidate output path: beside the source (the source's path without its extension), or in
// outputFolder ("<folder>/<name without extension>"), followed by convertTo as it stands. The
// extension is the file name's text from its last period on; a name without one, or whose only
// period leads it (".hidden"), keeps its whole text.
QString DefaultCandidate(const QString &source, bool sameFolder, const QString &outputFolder,
                         const QString &convertTo);

// The name the save dialog suggests. Variant 1: the candidate. Variant 0: the source path before
// its last period, "_new_", and the source's extension without its period.
QString SuggestedSaveName(int variant, const QString &source, const QString &candidate);

// The existence test of an output: anything at all is under the name (a file the user cannot
// read, another user's file, a folder, a symbolic link even when it leads nowhere). Nothing under
// an output's name is ever taken for absent.
bool CanOpenFile(const QString &path);

// Both names reach the same existing file: the same device and inode, however the paths are
// spelled (symbolic links, hard links, "..", "./").
bool IsSameFile(const QString &a, const QString &b);

// The path names something that exists but is not a regular file (a folder, a device, a pipe,
// a socket); symbolic links are followed.
bool IsOtherThanRegularFile(const QString &path);

// "<folder>/<name> (N)<extension>" for the first N from 1 whose path is free: nothing exists
// there and taken() does not claim it.
QString FreeName(const QString &path, const std::function<bool(const QString &)> &taken);

// The lock by which a copy of the program says "I am writing this temporary output". It lasts
// until the object is destroyed or given another lock, or the process ends however it ends, so
// a temporary output whose lock can be taken belongs to no running copy.
class CTemporaryOutputLock
{
public:
    CTemporaryOutputLock() = default;
    ~CTemporaryOutputLock();
    CTemporaryOutputLock(CTemporaryOutputLock &&other) noexcept;
    CTemporaryOutputLock &operator=(CTemporaryOutputLock &&other) noexcept;
    CTemporaryOutputLock(const CTemporaryOutputLock &) = delete;
    CTemporaryOutputLock &operator=(const CTemporaryOutputLock &) = delete;
    void Release();
    bool IsHeld() const { return m_fd >= 0; }

private:
    friend std::optional<QString> CreateTemporaryOutput(const QString &, QString &,
                                                        CTemporaryOutputLock &);
    int m_fd = -1;
};

// A new, empty file beside finalPath that nothing else can have made, named so that it is
// hidden and keeps finalPath's extension (muxers that pick a container from the extension
// see the right one): "<folder>/.<name>.<random>.part<extension>", with <name> shortened when
// the whole would be longer than the folder's file system allows. The output is written there
// and renamed to finalPath only once it is whole; lock holds it as ours meanwhile. Temporary
// outputs that copies which no longer run left in the folder (a kill, a power cut) are removed
// first. On failure, error holds the reason.
std::optional<QString> CreateTemporaryOutput(const QString &finalPath, QString &error,
                                             CTemporaryOutputLock &lock);

// Removes the temporary outputs in folder that no running copy holds. Returns how many.
int RemoveStaleTemporaryOutputs(const QString &folder);

// Moves a whole temporary output to its final name. With mayReplace (the user agreed to
// overwrite what is there) that replaces the file in one step. Without it nothing that is
// there is ever replaced, even a file that appeared since the name was chosen: the output then
// takes the first free name beside it ("clip (1).mp4") and finalPath is changed to it.
// Returns the reason on failure, empty on success.
QString CommitOutput(const QString &temporaryPath, QString &finalPath, bool mayReplace);

// An output folder as the user wrote it, made whole: "~" and "~/..." are in the home folder,
// "." and ".." are resolved ("/a/missing/../b" is "/a/b"). A relative folder has no meaning here
// (it would follow wherever the program was started) and gives nothing.
std::optional<QString> AbsoluteFolder(const QString &text);

}   // namespace OutputNaming
