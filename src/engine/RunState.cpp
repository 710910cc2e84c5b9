// The state of one run, made and released in one place.
#include "engine/RunState.h"

RunState::RunState() = default;
RunState::~RunState() = default;
