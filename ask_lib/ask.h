// ask.h -- the command and answer library as other folders see it.
// Include this one header; the pieces below are its parts.
#pragma once

#include "chars.h"
#include "eval.h"
#include "fio.h"
#include "ftext.h"
#include "numtext.h"
#include "parse.h"
#include "tell.h"
#include "askq.h"
#include "help.h"
#include "askif.h"
#include "cmli.h"
