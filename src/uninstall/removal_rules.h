// The order rules of the removal: which folders go in which order, and the
// text of the batch that removes the uninstaller once it has ended.
#pragma once

#include <cstdint>

#include "core/file_set.h"
#include "core/string.h"
#include "core/vector.h"

// The longest paths first, so that a folder is tried before its parents.
// Paths of equal length keep their order.
void SortFoldersLongestFirst(Array<String>* folders);

// Removes `folder` and then each parent while `remove` succeeds, at most
// `limit` levels. Stops, without trying it, at `stop_at` (compared without
// regard to case and trailing separators), and at a path without a parent.
// Returns the number of folders removed.
using RemoveFolderFn = bool (*)(const String& folder, void* context);
int32_t RemoveFolderChain(const String& folder, const String& stop_at, int32_t limit, RemoveFolderFn remove,
                          void* context);

// The folders that go once the uninstaller itself has gone, deepest first:
// the uninstall sub-folder and each of its parents below the product folder,
// then the product folder and each folder above it, as long as the
// installation made them (`made`, folded paths): a folder that was there
// before stays.
Array<String> LastFolders(const String& product_folder, const String& uninstall_subdir, const FileSet& made);

// The self-removal batch (UTF-16, CR LF lines): deletes `program` until it
// is gone, waits three seconds, removes each of `folders` in its order (an
// "rd" that fails leaves a folder that still holds something), then deletes
// itself.
String SelfRemovalBatchText(const String& program, const Array<String>& folders, const String& batch_path);

// Whether the climb from a product's registry key may delete the key `path`:
// only a key inside `floor` (such as "Software" or "<hive>\Software"), never
// the floor itself or anything beside it.
bool KeyBelowFloor(const String& path, const String& floor);
