#pragma once

// The "Gradient Wheel" value in a host handle, read and written through the
// host's "PF Handle Suite" (version 2, acquired by the caller).

#include <cstddef>
#include <optional>
#include <vector>

#include "gradient_wheel/gradient_value.h"
#include "host_api/ae_effect.h"
#include "host_api/ae_effect_suites.h"
#include "host_support/host_handles.h"

// The stops that the handle holds, in stored order. Empty for a null handle,
// a handle that cannot be locked, a count of 0, or fewer than 4 bytes; a
// count that claims more stops than the handle holds reads as the whole
// stops present.
std::vector<GradientPoint> gradient_points_from_handle(const PF_HandleSuite1* suite,
                                                       PF_Handle handle);

// The same, but nothing for a handle that is there and cannot be locked, so
// that a value that could not be read is not taken for an empty one.
std::optional<std::vector<GradientPoint>> gradient_points_if_readable(const PF_HandleSuite1* suite,
                                                                      PF_Handle handle);

// The stops of a value an edit starts from: nothing for a null handle, one
// that cannot be locked, or a damaged one (shorter than its byte count says),
// so that an edit does not write a value it could not read whole.
std::optional<std::vector<GradientPoint>> gradient_points_if_whole(const PF_HandleSuite1* suite,
                                                                   PF_Handle handle);

// Stores a new handle holding the n stops in *handle_out (see
// arb_handle_from_bytes); the handle that *handle_out held is not disposed
// of. With no stops nothing is written and the result is 0.
PF_Err gradient_points_to_handle(const PF_HandleSuite1* suite, PF_Handle* handle_out, std::size_t n,
                                 const GradientPoint* points);

// Stores a new handle of n + 1 bytes in *handle_out: the n bytes (zeros when
// bytes is null) and a trailing zero byte. 0 without a handle variable;
// PF_Err_OUT_OF_MEMORY when the handle cannot be made or locked (a handle
// that could not be locked stays in *handle_out, unfilled).
PF_Err arb_handle_from_bytes(const PF_HandleSuite1* suite, PF_Handle* handle_out, const void* bytes,
                             std::size_t n);

// Unlocks and disposes of *handle and sets the variable to null.
// PF_Err_INTERNAL_STRUCT_DAMAGED without a handle variable.
PF_Err arb_handle_dispose(const PF_HandleSuite1* suite, PF_Handle* handle);
