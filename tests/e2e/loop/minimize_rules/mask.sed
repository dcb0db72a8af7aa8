s/EDM = [^ ]*$/EDM = (varies)/
