#pragma once

// Keeps memory the program frees for its next use instead of handing it back to the kernel.
// A run reads and writes every file through buffers of the file's size; handed back after
// each file, the next one pays a page fault for every page of them again (some 15 per
// 128 KB file, most of the user time of a batch of small files).
void KeepFreedMemory();
