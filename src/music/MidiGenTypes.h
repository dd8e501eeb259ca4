#pragma once

#include <cstdint>
#include <string_view>

namespace tolmix {

// The notes of one octave, in semitone order.
enum TMGNote : uint8_t {
    mgC,
    mgCsharp,
    mgD,
    mgDsharp,
    mgE,
    mgF,
    mgFsharp,
    mgG,
    mgGsharp,
    mgA,
    mgAsharp,
    mgB
};

// MIDI channel indexes 0 to 15; mgCh10 (index 9) is the percussion channel.
enum TMGChannel : uint8_t {
    mgCh01,
    mgCh02,
    mgCh03,
    mgCh04,
    mgCh05,
    mgCh06,
    mgCh07,
    mgCh08,
    mgCh09,
    mgCh10,
    mgCh11,
    mgCh12,
    mgCh13,
    mgCh14,
    mgCh15,
    mgCh16
};

inline constexpr uint8_t PercussionChannel = mgCh10;

// The 128 General MIDI programs in program order, then the 47 percussion sounds.
#define TOLMIX_MG_INSTRUMENTS(X)                                                                   \
    X(mgAcousticGrandPiano)   /* 0 */                                                              \
    X(mgBrightAcousticPiano)  /* 1 */                                                              \
    X(mgElectricGrandPiano)   /* 2 */                                                              \
    X(mgHonkyTonkPiano)       /* 3 */                                                              \
    X(mgElectricPiano1)       /* 4 */                                                              \
    X(mgElectricPiano2)       /* 5 */                                                              \
    X(mgHarpsichord)          /* 6 */                                                              \
    X(mgClavinet)             /* 7 */                                                              \
    X(mgCelesta)              /* 8 */                                                              \
    X(mgGlockenspiel)         /* 9 */                                                              \
    X(mgMusicBox)             /* 10 */                                                             \
    X(mgVibraphone)           /* 11 */                                                             \
    X(mgMarimba)              /* 12 */                                                             \
    X(mgXylophone)            /* 13 */                                                             \
    X(mgTubularBells)         /* 14 */                                                             \
    X(mgDulcimer)             /* 15 */                                                             \
    X(mgDrawbarOrgan)         /* 16 */                                                             \
    X(mgPercussiveOrgan)      /* 17 */                                                             \
    X(mgRockOrgan)            /* 18 */                                                             \
    X(mgChurchOrgan)          /* 19 */                                                             \
    X(mgReedOrgan)            /* 20 */                                                             \
    X(mgAccordion)            /* 21 */                                                             \
    X(mgHarmonica)            /* 22 */                                                             \
    X(mgTangoAccordion)       /* 23 */                                                             \
    X(mgAcousticNylonGuitar)  /* 24 */                                                             \
    X(mgAcousticSteelGuitar)  /* 25 */                                                             \
    X(mgJazzElectricGuitar)   /* 26 */                                                             \
    X(mgCleanElectricGuitar)  /* 27 */                                                             \
    X(mgMutedElectricGuitar)  /* 28 */                                                             \
    X(mgOverdrivenGuitar)     /* 29 */                                                             \
    X(mgDistortionGuitar)     /* 30 */                                                             \
    X(mgGuitarHarmonics)      /* 31 */                                                             \
    X(mgAcousticBass)         /* 32 */                                                             \
    X(mgFingeredElectricBass) /* 33 */                                                             \
    X(mgPickedElectricBass)   /* 34 */                                                             \
    X(mgFretlessBass)         /* 35 */                                                             \
    X(mgSlapBass1)            /* 36 */                                                             \
    X(mgSlapBass2)            /* 37 */                                                             \
    X(mgSynthBass1)           /* 38 */                                                             \
    X(mgSynthBass2)           /* 39 */                                                             \
    X(mgViolin)               /* 40 */                                                             \
    X(mgViola)                /* 41 */                                                             \
    X(mgCello)                /* 42 */                                                             \
    X(mgContrabass)           /* 43 */                                                             \
    X(mgTremoloStrings)       /* 44 */                                                             \
    X(mgPizzicatoStrings)     /* 45 */                                                             \
    X(mgOrchestralHarp)       /* 46 */                                                             \
    X(mgTimpani)              /* 47 */                                                             \
    X(mgStringEnsemble1)      /* 48 */                                                             \
    X(mgStringEnsemble2)      /* 49 */                                                             \
    X(mgSynthStrings1)        /* 50 */                                                             \
    X(mgSynthStrings2)        /* 51 */                                                             \
    X(mgChoirAahs)            /* 52 */                                                             \
    X(mgVoiceOohs)            /* 53 */                                                             \
    X(mgSynthVoice)           /* 54 */                                                             \
    X(mgOrchestraHit)         /* 55 */                                                             \
    X(mgTrumpet)              /* 56 */                                                             \
    X(mgTrombone)             /* 57 */                                                             \
    X(mgTuba)                 /* 58 */                                                             \
    X(mgMutedTrumpet)         /* 59 */                                                             \
    X(mgFrenchHorn)           /* 60 */                                                             \
    X(mgBrassSection)         /* 61 */                                                             \
    X(mgSynthBrass1)          /* 62 */                                                             \
    X(mgSynthBrass2)          /* 63 */                                                             \
    X(mgSopranoSax)           /* 64 */                                                             \
    X(mgAltoSax)              /* 65 */                                                             \
    X(mgTenorSax)             /* 66 */                                                             \
    X(mgBaritoneSax)          /* 67 */                                                             \
    X(mgOboe)                 /* 68 */                                                             \
    X(mgEnglishHorn)          /* 69 */                                                             \
    X(mgBassoon)              /* 70 */                                                             \
    X(mgClarinet)             /* 71 */                                                             \
    X(mgPiccolo)              /* 72 */                                                             \
    X(mgFlute)                /* 73 */                                                             \
    X(mgRecorder)             /* 74 */                                                             \
    X(mgPanFlute)             /* 75 */                                                             \
    X(mgBlownBottle)          /* 76 */                                                             \
    X(mgShakuhachi)           /* 77 */                                                             \
    X(mgWhistle)              /* 78 */                                                             \
    X(mgOcarina)              /* 79 */                                                             \
    X(mgSquareLead)           /* 80 */                                                             \
    X(mgSawtoothLead)         /* 81 */                                                             \
    X(mgCalliopeLead)         /* 82 */                                                             \
    X(mgChiffLead)            /* 83 */                                                             \
    X(mgCharangLead)          /* 84 */                                                             \
    X(mgVoiceLead)            /* 85 */                                                             \
    X(mgFifthsLead)           /* 86 */                                                             \
    X(mgBassandLead)          /* 87 */                                                             \
    X(mgNewAgePad)            /* 88 */                                                             \
    X(mgWarmPad)              /* 89 */                                                             \
    X(mgPolySynthPad)         /* 90 */                                                             \
    X(mgChoirPad)             /* 91 */                                                             \
    X(mgBowedPad)             /* 92 */                                                             \
    X(mgMetallicPad)          /* 93 */                                                             \
    X(mgHaloPad)              /* 94 */                                                             \
    X(mgSweepPad)             /* 95 */                                                             \
    X(mgSynthFXRain)          /* 96 */                                                             \
    X(mgSynthFXSoundtrack)    /* 97 */                                                             \
    X(mgSynthFXCrystal)       /* 98 */                                                             \
    X(mgSynthFXAtmosphere)    /* 99 */                                                             \
    X(mgSynthFXBrightness)    /* 100 */                                                            \
    X(mgSynthFXGoblins)       /* 101 */                                                            \
    X(mgSynthFXEchoes)        /* 102 */                                                            \
    X(mgSynthFXSciFi)         /* 103 */                                                            \
    X(mgSitar)                /* 104 */                                                            \
    X(mgBanjo)                /* 105 */                                                            \
    X(mgShamisen)             /* 106 */                                                            \
    X(mgKoto)                 /* 107 */                                                            \
    X(mgKalimba)              /* 108 */                                                            \
    X(mgBagpipe)              /* 109 */                                                            \
    X(mgFiddle)               /* 110 */                                                            \
    X(mgShanai)               /* 111 */                                                            \
    X(mgTinkleBell)           /* 112 */                                                            \
    X(mgAgogo)                /* 113 */                                                            \
    X(mgSteelDrums)           /* 114 */                                                            \
    X(mgWoodblock)            /* 115 */                                                            \
    X(mgTaikoDrum)            /* 116 */                                                            \
    X(mgMelodicTom)           /* 117 */                                                            \
    X(mgSynthDrum)            /* 118 */                                                            \
    X(mgReverseCymbal)        /* 119 */                                                            \
    X(mgGuitarFretNoise)      /* 120 */                                                            \
    X(mgBreathNoise)          /* 121 */                                                            \
    X(mgSeashore)             /* 122 */                                                            \
    X(mgBirdTweet)            /* 123 */                                                            \
    X(mgTelephoneRing)        /* 124 */                                                            \
    X(mgHelicopter)           /* 125 */                                                            \
    X(mgApplause)             /* 126 */                                                            \
    X(mgGunshot)              /* 127 */                                                            \
    /* percussion sounds: 128 + k is percussion key 35 + k */                                      \
    X(mgAcousticBassDrum) /* 128, key 35 */                                                        \
    X(mgBassDrum1)        /* 129, key 36 */                                                        \
    X(mgSideStick)        /* 130, key 37 */                                                        \
    X(mgAcousticSnare)    /* 131, key 38 */                                                        \
    X(mgHandClap)         /* 132, key 39 */                                                        \
    X(mgElectricSnare)    /* 133, key 40 */                                                        \
    X(mgLowFloorTom)      /* 134, key 41 */                                                        \
    X(mgClosedHiHat)      /* 135, key 42 */                                                        \
    X(mgHighFloorTom)     /* 136, key 43 */                                                        \
    X(mgPedalHiHat)       /* 137, key 44 */                                                        \
    X(mgLowTom)           /* 138, key 45 */                                                        \
    X(mgOpenHiHat)        /* 139, key 46 */                                                        \
    X(mgLowMidTom)        /* 140, key 47 */                                                        \
    X(mgHiMidTom)         /* 141, key 48 */                                                        \
    X(mgCrashCymbal1)     /* 142, key 49 */                                                        \
    X(mgHighTom)          /* 143, key 50 */                                                        \
    X(mgRideCymbal1)      /* 144, key 51 */                                                        \
    X(mgChineseCymbal)    /* 145, key 52 */                                                        \
    X(mgRideBell)         /* 146, key 53 */                                                        \
    X(mgTambourine)       /* 147, key 54 */                                                        \
    X(mgSplashCymbal)     /* 148, key 55 */                                                        \
    X(mgCowbell)          /* 149, key 56 */                                                        \
    X(mgCrashCymbal2)     /* 150, key 57 */                                                        \
    X(mgVibraslap)        /* 151, key 58 */                                                        \
    X(mgRideCymbal2)      /* 152, key 59 */                                                        \
    X(mgHiBongo)          /* 153, key 60 */                                                        \
    X(mgLowBongo)         /* 154, key 61 */                                                        \
    X(mgMuteHiConga)      /* 155, key 62 */                                                        \
    X(mgOpenHiConga)      /* 156, key 63 */                                                        \
    X(mgLowConga)         /* 157, key 64 */                                                        \
    X(mgHighTimbale)      /* 158, key 65 */                                                        \
    X(mgLowTimbale)       /* 159, key 66 */                                                        \
    X(mgHighAgogo)        /* 160, key 67 */                                                        \
    X(mgLowAgogo)         /* 161, key 68 */                                                        \
    X(mgCabasa)           /* 162, key 69 */                                                        \
    X(mgMaracas)          /* 163, key 70 */                                                        \
    X(mgShortWhistle)     /* 164, key 71 */                                                        \
    X(mgLongWhistle)      /* 165, key 72 */                                                        \
    X(mgShortGuiro)       /* 166, key 73 */                                                        \
    X(mgLongGuiro)        /* 167, key 74 */                                                        \
    X(mgClaves)           /* 168, key 75 */                                                        \
    X(mgHiWoodBlock)      /* 169, key 76 */                                                        \
    X(mgLowWoodBlock)     /* 170, key 77 */                                                        \
    X(mgMuteCuica)        /* 171, key 78 */                                                        \
    X(mgOpenCuica)        /* 172, key 79 */                                                        \
    X(mgMuteTriangle)     /* 173, key 80 */                                                        \
    X(mgOpenTriangle)     /* 174, key 81 */

enum TMGInstrument : uint8_t {
#define TOLMIX_MG_ENUM(name) name,
    TOLMIX_MG_INSTRUMENTS(TOLMIX_MG_ENUM)
#undef TOLMIX_MG_ENUM
};

inline constexpr int InstrumentCount = 175;
inline constexpr int FirstPercussionSound = 128;
static_assert(mgOpenTriangle == InstrumentCount - 1);

// The value's name ("mgAcousticGrandPiano"), or empty outside 0 to 174.
std::string_view InstrumentName(int value);

} // namespace tolmix
