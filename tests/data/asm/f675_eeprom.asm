; PIC12F675: show 4 bytes from data EEPROM on GPIO, keep the calibration.
        LIST    P=12F675, R=DEC
        #include <p12f675.inc>
        __CONFIG _CP_OFF & _CPD_OFF & _BODEN_ON & _MCLRE_OFF & _PWRTE_ON & _WDT_OFF & _INTRC_OSC_NOCLKOUT
        __IDLOCS H'0675'

        ORG     0x000
        goto    main
        ORG     0x004
        retfie

main:   bsf     STATUS, RP0
        call    0x3FF
        movwf   OSCCAL
        clrf    TRISIO
        clrf    ANSEL
        movlw   0x03
        movwf   EEADR
        bsf     EECON1, RD
        movf    EEDATA, W
        bcf     STATUS, RP0
        movwf   GPIO
        goto    $

        ORG     0x2100
        DE      0x12, 0x34, 0x56, 0x78, "675"
ee_i    SET     0x07
        WHILE   ee_i < 0x7F
        DE      0xFF
ee_i    SET     ee_i + 1
        ENDW
        DE      0xA5            ; last EEPROM byte, 0x7F
        END
