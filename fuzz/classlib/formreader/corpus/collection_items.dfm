object frmCommands: TFuzzForm
  object chldcmnd: TFuzzWidget
    Items = <
      item
        Caption = 'Command1'
        Target = chldcmnd
        OnExecute = btnOkClick
      end
      item[1]
        Caption = 'Command2'
        Width = 80
      end>
  end
end
