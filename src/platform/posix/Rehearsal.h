// Rehearsals of a script on the host: runs against throwaway copies of the
// root and of the program's folder, each in a process of its own, that
// start no program and write nothing outside their copies.
#pragma once

#include <string>

// From now on this process rehearses: a program start counts as made
// without starting anything, and nothing outside the host folder `folder`
// (absolute, without symbolic links) is written; a file action there fails
// as a refused one does.
void BeginRehearsal(const std::string& folder);
bool Rehearsing();
// Whether a file action may write `hostPath`: always outside a rehearsal,
// and inside one only at or below its folder.
bool RehearsalMayWrite(const std::string& hostPath);

// A file changed in place, not replaced by
// a new one, must first be made the rehearsal's own: a file of a tree copy
// may be shared with the original (CopyHostTree). False, with the failure
// noted, when that cannot be done.
bool UnshareForRehearsal(const std::string& hostPath);

// A copy of the folder tree `from` as the new folder `to`: folders, files
// (with their permission bits and modification times) and symbolic links.
// A file shares its blocks with the original where the file system can
// clone them (copy-on-write); where it cannot, the copy is a second link
// to the original's file, which the rehearsal replaces by a copy of its
// own before it changes that file in place (UnshareForRehearsal); across
// file systems, the file is copied. Other kinds of entry (pipes, devices,
// sockets) are left out. False, with the reason in `error`, when something
// could not be copied.
struct TreeCopyCount {
    unsigned long cloned = 0;
    unsigned long linked = 0;
    unsigned long copied = 0;
};
bool CopyHostTree(const std::string& from, const std::string& to, TreeCopyCount& count, std::string& error);

// Removes a folder tree, read-only folders and files included.
void RemoveHostTree(const std::string& path);

// A new empty folder for throwaway copies: a hidden folder beside `near`
// (where a clone of its files can share their blocks) when one can be made
// there, else in the folder for temporary files. Empty when neither works.
std::string MakeScratchFolder(const std::string& near);

// The folder of the running program, absolute and without symbolic links.
std::string ProgramHostFolder();

// `path` absolute and without symbolic links; empty when it does not exist.
std::string ResolvedHostPath(const std::string& path);

// Runs `body` in a child process and hands back the text it returned.
// False when no child could be made or it did not end normally.
bool RunInChild(std::string (*body)(void*), void* context, std::string& output);
