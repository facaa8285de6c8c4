#pragma once

// Application-wide settings made once at start, by the application and by
// ildatool alike: the organisation name. The locale codec is left to the
// system (UTF-8 file names and console text).
void configureApplication();
