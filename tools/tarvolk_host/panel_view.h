#pragma once

// What tarvolk-host panel prints: the Effect Controls panel as the user sees
// it, and what the user's changes left in the host (undo history, new
// layers, pages opened).

#include <string>
#include <vector>

#include "host/instance/effect_instance.h"
#include "host/scene/composition.h"
#include "host/sim_host.h"

namespace cli {

// Whether the panel hides each slot: its stream's hidden flag, an invisible
// control, or a hidden group around it.
std::vector<bool> hidden_slots(simhost::EffectInstance& instance);

// The effect's parameters in slot order, indented by group: each with its
// value, twirl state and disabled state. Hidden ones are left out, or with
// `show_hidden` marked "(hidden)".
std::string panel_text(simhost::SimHost& host, simhost::EffectInstance& instance,
                       simhost::scene::Composition& comp, bool show_hidden);

// The host's undo history, one entry a line.
std::string undo_history_text(simhost::SimHost& host);

// Layers of the composition with an id from `first_new_id` on.
std::string new_layers_text(simhost::scene::Composition& comp, AEGP_LayerIDVal first_new_id);

// The pages ShellExecuteA was asked to open.
std::string pages_opened_text();

}  // namespace cli
