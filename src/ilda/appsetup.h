#pragma once

// Application-wide settings made once at start, by the application and by
// ildatool alike: the organisation name, and a locale codec that keeps every
// byte of a file name (FileNameCodec). Call it before reading the arguments.
void configureApplication();
