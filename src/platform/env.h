// Env: every operating-system service the console uses, in one place.
//
// A program's main builds it once (Default(), the system's own services)
// and hands it down: the console and everything below it reach the system
// only through the Env they were given, never through a service's
// Default(). A test builds one from fakes (tests/platform/fake_env.h) and
// so runs the whole console core without disk, sockets, programs or real
// time.
//
// An Env is an aggregate of references: the services must outlive every
// object that was handed the Env. Threading: as each service says.
#pragma once

#include "platform/clock.h"
#include "platform/codepage.h"
#include "platform/files.h"
#include "platform/processes.h"
#include "platform/sockets.h"
#include "platform/system.h"

namespace stanzo::platform {

struct Env {
  Files& files;
  Sockets& sockets;
  Processes& processes;
  Clock& clock;
  CodePage& codePage;
  System& system;

  // The running system's services; lives for the whole run. Only a
  // program's main asks for it.
  static Env& Default();
};

}  // namespace stanzo::platform
