#pragma once

// One memory budget for everything the rendering threads of the process keep from one frame to
// the next: render targets, input textures and mesh storage.

#include <cstddef>

// A thread keeps its storage because making it afresh costs a frame more than drawing into it
// (storage of hundreds of megabytes is faulted in page by page). But every host thread that
// renders keeps its own, and a host renders on many threads while it wants most of the
// machine's memory for its own caches: eight threads each keeping a 1920 x 1080 frame's
// targets at supersampling 3 held over 3 GB. Summed over the threads, kept storage stays
// within 1 GiB, a small part of a workstation's memory: the storage of a 1920 x 1080 frame at
// supersampling 4 with the layer's texture (about 720 MB), or of two threads' such frames at 3
// (about 430 MB each). When a frame would take the sum beyond it, the storage of the threads
// that rendered least recently goes first (renderer/render_state.h).
inline constexpr size_t default_kept_storage_budget = size_t{1} << 30;

// The budget in force: default_kept_storage_budget unless a test set another
// (RendererHooks::set_kept_storage_budget, renderer/renderer_hooks.h).
size_t kept_storage_budget();
