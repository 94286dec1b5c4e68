// The whole window toolkit in one include.
#pragma once

#include "buttons.h"
#include "containers.h"
#include "control_design.h"
#include "error_barrier.h"
#include "form.h"
#include "toolkit_control.h"
#include "radio_group.h"
#include "skin_data.h"
#include "skin_form.h"
#include "slider.h"
#include "stretched_picture.h"
#include "text_controls.h"
#include "timer.h"
