; PIC12F675: take the factory oscillator calibration, then toggle GP0.
        LIST    P=12F675, R=DEC
        #include <p12f675.inc>
        __CONFIG _CP_OFF & _CPD_OFF & _BODEN_ON & _MCLRE_ON & _PWRTE_ON & _WDT_OFF & _INTRC_OSC_NOCLKOUT
        __IDLOCS H'6750'

        ORG     0x000
        bsf     STATUS, RP0
        call    0x3FF                   ; RETLW with the factory value
        movwf   OSCCAL
        bcf     TRISIO, 0
        bcf     STATUS, RP0
        movlw   0x07
        movwf   CMCON                   ; comparator off
loop:   movlw   0x01
        xorwf   GPIO, F
        goto    loop
        END
