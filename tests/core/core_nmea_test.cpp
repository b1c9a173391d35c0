// NMEA logs read through the core: RMC and GGA of one time as one point,
// every talker, dates carried and crossed, and what is passed over counted.

#include "core_text.h"

TEST(CoreNmea, FixesDatesAndWhatIsPassedOver) {
    const std::string log =
        "# a logger's note\n"
        // Before the first date: dated by it.
        "$GNGGA,235958.50,4807.038,N,01131.000,E,1,08,0.9,545.4,M,46.9,M,,*7F\n"
        // One time, two sentences: one point, GGA's position and altitude, RMC's date.
        "$GPRMC,235959,A,4807.038,N,01131.000,E,022.4,084.4,230394,003.1,W*66\r\n"
        "$GPGGA,235959,4807.040,N,01131.002,E,1,08,0.9,546.0,M,46.9,M,,*41\r\n"
        // The next day, south and west.
        "$GLRMC,000001,A,4807.050,S,01131.010,W,022.4,084.4,240394,,*06\n"
        "$GPGGA,000002,4807.060,N,01131.020,E,0,00,,,M,,M,,*52\n$GPRMC,000003,V,,,,,,,240394,,*3A\n"
        "$GPGGA,000004,4807.070,N,01131.030,E,1,08,0.9,547.0,M,46.9,M,,*00\n$GPRMC,000005,A,4807.0\n"
        "$BDGGA,000006,4807.080,N,01131.040,E,2,08,0.9,,M,46.9,M,,*77\n$GPGSV,3,1,11,03,03,111,00*4A\n";
    EXPECT_EQ(ReadOutcome("log.nmea", log),
              Outcome(VEZUVED_OK,
                      "T 'track' 4: 11.516666666666667,48.1173^545.4@764467198500 11.5167,"
                      "48.117333333333335^546@764467199000 -11.516833333333333,-48.1175@764467201000 "
                      "11.517333333333333,48.118@764467206000\n",
                      "0 DIR/log.nmea: 1 sentence(s) with a wrong checksum passed over\n"
                      "0 DIR/log.nmea: 2 sentence(s) reporting no fix passed over\n"
                      "0 DIR/log.nmea: 1 RMC or GGA sentence(s) that cannot be read passed over\n"
                      "0 DIR/log.nmea: 1 line(s) that are not NMEA passed over\n"));
    // No RMC: the fixes have no time, and a warning says why. A checksum of
    // characters that are no hexadecimal digits is wrong, whatever they add up to.
    EXPECT_EQ(ReadOutcome("bare.nmea",
                          "$GPGGA,120000,4807.038,N,01131.000,E,1,08,0.9,545.4,M,46.9,M,,*49\n"
                          "$GPGGA,120001,4807.038,N,01131.000,E,1,08,0.9,545.4,M,46.9,M,,*[_\n"),
              Outcome(VEZUVED_OK,
                      "T 'track' 1: 11.516666666666667,48.1173^545.4\n",
                      "0 DIR/bare.nmea: 1 sentence(s) with a wrong checksum passed over\n"
                      "0 DIR/bare.nmea: no RMC sentence gives a date; the points have no time\n"));
}

// A time past the clock's hours or minutes is no time; a leap second is.
// A checksum's hexadecimal digits may be small letters. An angle needs its two digits of minutes,
// below sixty.
TEST(CoreNmea, TimesBeyondTheClockArePassedOver) {
    const std::string log =
        "$GPRMC,120000,A,4807.038,N,01131.000,E,022.4,084.4,230394,003.1,W*64\n"
        "$GPGGA,120009,4807.040,N,01131.002,E,1,08,0.9,546.0,M,46.9,M,,*4a\n"  // a checksum in small letters
        "$GPGGA,126000,4807.040,N,01131.002,E,1,08,0.9,546.0,M,46.9,M,,*45\n"
        "$GPGGA,240000,4807.040,N,01131.002,E,1,08,0.9,546.0,M,46.9,M,,*46\n"
        "$GPGGA,120060,4807.050,N,01131.002,E,1,08,0.9,547.0,M,46.9,M,,*45\n"
        "$GPGGA,120100,481,N,01131.002,E,1,08,0.9,546.0,M,46.9,M,,*6E\n"        // no whole minute
        "$GPGGA,120200,4807,N,01131,E,1,08,0.9,546.0,M,46.9,M,,*47\n"           // whole minutes alone
        "$GPGGA,120300,4860.000,N,01131,E,1,08,0.9,546.0,M,46.9,M,,*59\n"       // sixty minutes
        "$GPGGA,120400,0030.000,N,00015.000,W,1,08,0.9,546.0,M,46.9,M,,*5D\n";  // no whole degree
    EXPECT_EQ(ReadOutcome("clock.nmea", log),
              Outcome(VEZUVED_OK,
                      "T 'track' 5: 11.516666666666667,48.1173@764424000000 "
                      "11.5167,48.117333333333335^546@764424009000 "
                      "11.5167,48.1175^547@764424060000 "
                      "11.516666666666667,48.11666666666667^546@764424120000 -0.25,0.5^546@764424240000\n",
                      "0 DIR/clock.nmea: 4 RMC or GGA sentence(s) that cannot be read passed over\n"));
}
